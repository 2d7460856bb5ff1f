// Writes the seed inputs of the fuzz targets into fuzz/corpus/: small valid files of each kind,
// as the program itself writes them.
//
//   make_seeds <source folder>/fuzz/corpus
#include "platform/textcodec.h"
#include "store/recordcodec.h"
#include "store/recordlayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool g_ok = true;

void save(const QString& dir, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(dir);
    QFile file(dir + QLatin1Char('/') + name);
    g_ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && g_ok;
}

struct Note {
    NoteRecord record;
    NoteWindowState window;
};

Note note(const QString& title, const QString& text, int list = 0) {
    Note n;
    n.record.Title = title;
    n.record.List = static_cast<std::int16_t>(list);
    n.record.Created = 45000.5;
    n.record.Modified = 45001.25;
    n.window.Left = 1500;
    n.window.Top = 1500;
    n.window.Width = 3000;
    n.window.Height = 2250;
    n.window.Text = text;
    return n;
}

QByteArray file(const QList<Note>& notes) {
    QByteArray bytes;
    std::int16_t number = 1;
    for (const Note& n : notes)
        bytes += recordcodec::encode(n.record, n.window, number++);
    return bytes;
}

QByteArray iniLine(const QString& key, const QString& value) {
    return textcodec::encodeFixed(key, 20) + textcodec::encodeFixed(value, 128) + "\r\n";
}

void loaderSeeds(const QString& dir) {
    Note plain = note(QStringLiteral("Shopping"), QStringLiteral("Milk\nBread\n\nEggs"));
    Note western = note(QStringLiteral("Caf\u00e9"), QStringLiteral("Stra\u00dfe \u20ac 5"));
    western.window.BackColor = 0x80FF80;
    western.window.FontBold = true;
    western.record.ShowScrollBar = true;
    Note utf8 = note(QStringLiteral("\u65e5\u672c"),
                     QStringLiteral("\u041f\u0440\u0438\u0432\u0435\u0442 \U0001F600"));
    Note alarm = note(QStringLiteral("Dentist"), QStringLiteral("Tuesday"));
    alarm.record.AlarmState = QStringLiteral("E");
    alarm.record.AlarmDate = 45100.375;
    alarm.record.AlarmFreq = QStringLiteral("2");
    alarm.record.AlarmPrev = 15;
    alarm.record.AlarmPrevTp = QStringLiteral("M");
    alarm.record.AlarmPlaySd = true;
    alarm.record.AlarmSndFil = QStringLiteral("ring.wav");
    Note picture = note(QStringLiteral("Photo"), QString());
    picture.record.ImagePath = QStringLiteral("/home/user/Pictures/cat.jpg");
    picture.record.ImageKeepRatio = true;
    picture.window.PictureStretched = true;
    picture.window.PictureShown = true;
    Note linked = note(QStringLiteral("Linked"), QStringLiteral("from a file"));
    linked.record.OpenFile = true;
    linked.record.UpdateFile = true;
    linked.record.FiletoOpen = QStringLiteral("~/notes/todo.txt");
    Note rolled = note(QStringLiteral("Rolled"), QStringLiteral("up"));
    rolled.record.Rollup = true;
    rolled.record.RollHeight = 300;
    rolled.record.AutoRoll = true;
    rolled.record.Locked = true;
    Note far = note(QStringLiteral("Far away"), QStringLiteral("on a second screen"));
    far.window.Left = 40000;
    far.window.Top = -3000;
    Note events = note(QStringLiteral("Birthday"), QStringLiteral("Anna"), 1);
    events.record.AlarmState = QStringLiteral("E");
    events.record.AlarmFreq = QStringLiteral("A");
    events.record.AlarmDate = 45200;
    Note help = note(QStringLiteral("Quick help 1"), QStringLiteral("How to use the notes"));

    const QByteArray normal = file({plain, western, utf8});
    save(dir, QStringLiteral("data-file"), QByteArray(1, '\x00') + normal);
    save(dir, QStringLiteral("data-file-more"),
         QByteArray(1, '\0') + file({alarm, picture, linked}));
    save(dir, QStringLiteral("events-file"), QByteArray(1, '\x01') + file({events}));
    save(dir, QStringLiteral("import-file"), QByteArray(1, '\x02') + file({help, plain}));
    save(dir, QStringLiteral("backup-only"), QByteArray(1, '\x04') + file({plain, utf8}));
    save(dir, QStringLiteral("cut-short"),
         QByteArray(1, '\x00') + file({plain, western}).chopped(20000));
    save(dir, QStringLiteral("several-screens"), QByteArray(1, '\x08') + file({far, rolled}));
    save(dir, QStringLiteral("empty"), QByteArray(1, '\0'));
}

void settingsSeeds(const QString& dir) {
    QByteArray usual;
    usual += iniLine(QStringLiteral("[Version]"), QStringLiteral("3.2.0"));
    usual += iniLine(QStringLiteral("[Language]"), QStringLiteral("French"));
    usual += iniLine(QStringLiteral("[posStartupTop]"), QStringLiteral("1200"));
    usual += iniLine(QStringLiteral("[posStartupLeft]"), QStringLiteral("3000"));
    usual += iniLine(QStringLiteral("[frmStartupVisible]"), QStringLiteral("1"));
    usual += iniLine(QStringLiteral("[DefautFontName]"), QStringLiteral("DejaVu Sans"));
    usual += iniLine(QStringLiteral("[DefautFontSize]"), QStringLiteral("10.5"));
    usual += iniLine(QStringLiteral("[DefautBackColor]"), QStringLiteral("8454143"));
    usual += iniLine(QStringLiteral("[DefautForeColor]"), QStringLiteral("-2147483640"));
    usual += iniLine(QStringLiteral("[DefautImageMode]"), QStringLiteral("-2"));
    usual += iniLine(QStringLiteral("[SetupAutoSave]"), QStringLiteral("1"));
    usual += iniLine(QStringLiteral("[SetupAutoSaveTime]"), QStringLiteral("3"));
    usual += iniLine(QStringLiteral("[DefautAlarmFreq]"), QStringLiteral("J"));
    usual += iniLine(QStringLiteral("[DefautAlarmPrev]"), QStringLiteral("10"));
    usual += iniLine(QStringLiteral("[MailFreqCheck]"), QStringLiteral("15"));
    usual += iniLine(QStringLiteral("[MailServer]"), QStringLiteral("pop.example.org"));
    usual += iniLine(QStringLiteral("[MailPort]"), QStringLiteral("995"));
    usual += iniLine(QStringLiteral("[PictureDir]"), QStringLiteral("/home/user/Pictures/"));
    usual += iniLine(QStringLiteral("[AutoDimValue]"), QStringLiteral("120"));
    usual +=
        iniLine(QStringLiteral("[PrefixNewNote]"), QStringLiteral("Note \u00e9t\u00e9 \u65e5"));
    usual += iniLine(QStringLiteral("[DetMailWindow]"), QStringLiteral("100;200;4000;3000"));
    usual += iniLine(QStringLiteral("[NetID]"), QStringLiteral("desk"));
    usual += iniLine(QStringLiteral("[RefreshSysIcon]"), QStringLiteral("0"));
    usual += iniLine(QStringLiteral("[End of INI]"), QString());
    save(dir, QStringLiteral("usual"), usual);

    QByteArray shortOne = iniLine(QStringLiteral("[Version]"), QStringLiteral("3.1.0")) +
                          iniLine(QStringLiteral("[End of INI]"), QString());
    save(dir, QStringLiteral("older-version"), shortOne);
    save(dir, QStringLiteral("no-end"), usual.left(usual.size() / 2));
    save(dir, QStringLiteral("lf-lines"), QByteArray(usual).replace("\r\n", "\n"));
    save(dir, QStringLiteral("empty"), QByteArray());
}

void linkedFileSeeds(const QString& dir) {
    save(dir, QStringLiteral("ascii-crlf"), "Shopping\r\nMilk\r\nBread\r\n");
    save(dir, QStringLiteral("lf"), "one\ntwo\n\nthree");
    save(dir, QStringLiteral("utf8-mark"),
         "\xEF\xBB\xBF"
         "Caf\xC3\xA9 \xE2\x82\xAC\r\n");
    save(dir, QStringLiteral("utf8"), "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\n");
    save(dir, QStringLiteral("windows-1252"),
         "Stra\xDF"
         "e \x80 5\r\nna\xEFve\r\n");
    save(dir, QStringLiteral("blanks"), "  indented  \r\n\r\n");
    save(dir, QStringLiteral("binary"), QByteArray("PK\x03\x04\x00\x00\x01", 7));
    save(dir, QStringLiteral("empty"), QByteArray());
}

void networkSeeds(const QString& messages, const QString& books) {
    // The first byte picks the receiving locale: 0 C, 1 English, 2 French, 3 German.
    save(messages, QStringLiteral("english"),
         QByteArray(1, '\x01') +
             "desk (anna)=1500=3000=3600=2400=8454143=0=Lunch at one?\r\nBring the keys");
    save(messages, QStringLiteral("french-decimals"),
         QByteArray(1, '\x02') +
             "10.0.0.7 (bureau)=1500,5=3000,25=3600=2400=65535=255=Caf\xE9 \x80 =2");
    save(messages, QStringLiteral("utf8-text"),
         QByteArray(1, '\x00') + "pc (x)=0=0=0=0=0=0=\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC");
    save(messages, QStringLiteral("short"), QByteArray(1, '\x03') + "only=two=");
    save(messages, QStringLiteral("empty"), QByteArray(1, '\x00'));
    save(books, QStringLiteral("usual"),
         "Anna=192.168.1.20\r\nOffice=office.example.org\r\n10.0.0.7\r\n");
    save(books, QStringLiteral("lf-blank-lines"), "a=b\n\n  \nc = d = e\n");
    save(books, QStringLiteral("utf8"), "\xEF\xBB\xBFJos\xC3\xA9=host\r\n");
    save(books, QStringLiteral("empty"), QByteArray());
}

void mailSeeds(const QString& dir) {
    save(dir, QStringLiteral("plain"),
         "+OK\r\nFrom: \"Anna B.\" <anna@example.org>\r\nSubject: Lunch\r\n"
         "Message-ID: <1@example.org>\r\n\r\nAt one?\r\n.\r\n");
    save(dir, QStringLiteral("encoded-words"),
         "From: =?UTF-8?B?Sm9zw6k=?= <j@example.org>\r\nSubject: =?ISO-8859-1?Q?caf=E9_?=\r\n"
         " =?KOI8-R?B?8NLJ18XU?=\r\nContent-Type: text/plain; charset=utf-8\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n\r\nna=C3=AFve=\r\n line\r\n.\r\n");
    save(dir, QStringLiteral("multipart"),
         "Subject: parts\r\nMIME-Version: 1.0\r\n"
         "Content-Type: multipart/mixed; boundary=\"XyZ\"\r\n\r\n--XyZ\r\n"
         "Content-Type: text/html; charset=windows-1252\r\n\r\n<p>Gr\xFC\xDF"
         "e &amp; <b>bye</b></p>\r\n"
         "--XyZ\r\nContent-Type: application/pdf; name=a.pdf\r\n"
         "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0xLjQK\r\n--XyZ--\r\n.\r\n");
    save(dir, QStringLiteral("empty"), QByteArray());
}

// The first byte picks the action (0 check, 1 normal view, 2 raw view, 3 second message); the
// server's answers follow, one per command, separated by 0x1E.
void pop3Seeds(const QString& dir) {
    const QByteArray check = QByteArray(1, '\x00') +
                             "+OK ready\r\n\x1e+OK\r\n\x1e+OK logged in\r\n\x1e+OK 2 4000\r\n"
                             "\x1e+OK\r\nFrom: Zoe <z@x.org>\r\nSubject: one\r\n\r\n.\r\n"
                             "\x1e+OK\r\nFrom: =?UTF-8?Q?Jos=C3=A9?= <j@x.org>\r\nSubject: two"
                             "\r\n\r\n..dot\r\n.\r\n\x1e+OK bye\r\n";
    save(dir, QStringLiteral("check"), check);
    const QByteArray read = "+OK ready\r\n\x1e+OK\r\n\x1e+OK\r\n\x1e+OK 1 300\r\n"
                            "\x1e+OK\r\nSubject: hi\r\nMessage-ID: <a@b>\r\n\r\nBody\r\n.\r\n"
                            "\x1e+OK bye\r\n";
    save(dir, QStringLiteral("read-normal"), QByteArray(1, '\x01') + read);
    save(dir, QStringLiteral("read-raw"), QByteArray(1, '\x02') + read);
    save(dir, QStringLiteral("wrong-password"),
         QByteArray(1, '\x00') + "+OK ready\r\n\x1e+OK\r\n\x1e-ERR authentication failed\r\n");
    save(dir, QStringLiteral("no-greeting"), QByteArray(1, '\x03'));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <fuzz/corpus folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    loaderSeeds(root + QStringLiteral("/fuzz_loader"));
    settingsSeeds(root + QStringLiteral("/fuzz_settings"));
    linkedFileSeeds(root + QStringLiteral("/fuzz_linkedfile"));
    mailSeeds(root + QStringLiteral("/fuzz_mailheader"));
    pop3Seeds(root + QStringLiteral("/fuzz_pop3"));
    networkSeeds(root + QStringLiteral("/fuzz_netmessage"),
                 root + QStringLiteral("/fuzz_addressbook"));
    return g_ok ? 0 : 1;
}
