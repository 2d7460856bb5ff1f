#include "mail/mailentete.h"
#include "platform/testing/testmain.h"

#include <QTest>

// Replies as a server sends them for TOP: status line, header, body, the "." line.
static QByteArray reply(const QByteArray& message) {
    return "+OK\r\n" + message + "\r\n.\r\n";
}

class TestMailEntete : public QObject {
    Q_OBJECT
private slots:
    void headerValues_data();
    void headerValues();
    void bodies_data();
    void bodies();
    void htmlToText_data();
    void htmlToText();
};

void TestMailEntete::headerValues_data() {
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");

    const QString subject = QStringLiteral("Subject");
    const QString from = QStringLiteral("From");
    auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };

    row("Q word, Latin-1") << QByteArray("Subject: =?ISO-8859-1?Q?Caf=E9_cr=E8me?=") << subject
                           << QStringLiteral("Café crème");
    row("B word, UTF-8") << QByteArray("Subject: =?utf-8?B?R3LDvMOfZSBhdXMgS8O2bG4=?=") << subject
                         << QStringLiteral("Grüße aus Köln");
    row("text around a word") << QByteArray("Subject: Re: =?UTF-8?Q?=C3=A9t=C3=A9?= ok") << subject
                              << QStringLiteral("Re: été ok");
    row("two words, folded between") << QByteArray("Subject: =?UTF-8?Q?Gr=C3=BC?=\r\n"
                                                   " =?UTF-8?Q?=C3=9Fe?=")
                                     << subject << QStringLiteral("Grüße");
    row("folded plain text keeps the blank") << QByteArray("Subject: first part\r\n second part")
                                             << subject << QStringLiteral("first part second part");
    row("folded with a tab") << QByteArray("Subject: first\r\n\tsecond\r\nTo: x") << subject
                             << QStringLiteral("first second");
    row("KOI8-R") << QByteArray("Subject: =?KOI8-R?Q?=F0=D2=C9=D7=C5=D4?=") << subject
                  << QStringLiteral("Привет");
    row("Windows-1251") << QByteArray("Subject: =?windows-1251?Q?=CF=F0=E8=E2=E5=F2?=") << subject
                        << QStringLiteral("Привет");
    row("ISO-8859-2") << QByteArray("Subject: =?ISO-8859-2?Q?=B3=F3d=BC?=") << subject
                      << QStringLiteral("łódź");
    row("ISO-8859-7") << QByteArray("Subject: =?ISO-8859-7?Q?=E1=E2=E3?=") << subject
                      << QStringLiteral("αβγ");
    row("ISO-8859-15 euro") << QByteArray("Subject: =?ISO-8859-15?Q?=A45?=") << subject
                            << QStringLiteral("€5");
    row("Windows-1252 euro") << QByteArray("Subject: =?windows-1252?Q?=805?=") << subject
                             << QStringLiteral("€5");
    row("GB2312") << QByteArray("Subject: =?gb2312?B?1tDOxA==?=") << subject
                  << QStringLiteral("中文");
    row("GBK") << QByteArray("Subject: =?GBK?Q?=D6=D0=CE=C4?=") << subject
               << QStringLiteral("中文");
    row("Big5") << QByteArray("Subject: =?big5?Q?=A4=A4=A4=E5?=") << subject
                << QStringLiteral("中文");
    row("Shift_JIS") << QByteArray("Subject: =?Shift_JIS?B?k/qWe4zq?=") << subject
                     << QStringLiteral("日本語");
    row("EUC-KR") << QByteArray("Subject: =?EUC-KR?B?x9Gxub7u?=") << subject
                  << QStringLiteral("한국어");
    row("unknown charset, UTF-8 bytes")
        << QByteArray("Subject: =?x-nonsense?Q?=C3=A9?=") << subject << QStringLiteral("é");
    row("raw UTF-8 header") << QByteArray("Subject: Gr\xc3\xbc\xc3\x9f"
                                          "e")
                            << subject << QStringLiteral("Grüße");
    row("raw Latin-1 header") << QByteArray("Subject: Caf\xe9") << subject
                              << QStringLiteral("Café");
    row("unterminated word stays")
        << QByteArray("Subject: =?UTF-8?Q?abc") << subject << QStringLiteral("=?UTF-8?Q?abc");
    row("missing field") << QByteArray("From: a@b.c") << subject << QString();
    row("field name in any case") << QByteArray("SUBJECT: loud") << subject
                                  << QStringLiteral("loud");
    row("only at a line start") << QByteArray("X-Original-Subject: old\r\nSubject: new") << subject
                                << QStringLiteral("new");
    row("From: name and address") << QByteArray("From: John Doe <john@example.org>") << from
                                  << QStringLiteral("John Doe");
    row("From: quoted name") << QByteArray("From: \"Doe, John\" <john@example.org>") << from
                             << QStringLiteral("\"Doe, John\"");
    row("From: address only") << QByteArray("From: <john@example.org>") << from
                              << QStringLiteral("<john@example.org>");
    row("From: encoded name") << QByteArray("From: =?UTF-8?B?R3LDvMOfZSBhdXMgS8O2bG4=?= <a@b.c>")
                              << from << QStringLiteral("Grüße aus Köln");
    row("Message-ID") << QByteArray("Message-ID: <1234@example.org>")
                      << QStringLiteral("Message-ID") << QStringLiteral("<1234@example.org>");
    row("a body line is no header")
        << QByteArray("From: a\r\n\r\nSubject: in the body") << subject << QString();
}

void TestMailEntete::headerValues() {
    QFETCH(QByteArray, headers);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    QCOMPARE(MailEntete::HeaderValue(reply(headers + "\r\n\r\nbody"), field), expected);
}

void TestMailEntete::bodies_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };

    row("plain text, dot-stuffed line")
        << QByteArray("Subject: x\r\n\r\nline one\r\n..dot line\r\nlast")
        << QStringLiteral("line one\r\n.dot line\r\nlast");
    row("quoted-printable UTF-8") << QByteArray(
                                         "Content-Type: text/plain; charset=utf-8\r\n"
                                         "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
                                         "Caf=C3=A9 au =\r\nlait=3D1 =XY")
                                  << QStringLiteral("Café au lait=1 =XY");
    row("base64 Latin-1")
        << QByteArray("Content-Type: text/plain; charset=\"ISO-8859-1\"\r\n"
                      "Content-Transfer-Encoding: BASE64\r\n\r\nx2EgdmEg\r\ndHLocyBiaWVu")
        << QStringLiteral("Ça va très bien");
    row("8-bit KOI8-R") << QByteArray("Content-Type: text/plain; charset=koi8-r\r\n\r\n"
                                      "\xf0\xd2\xc9\xd7\xc5\xd4")
                        << QStringLiteral("Привет");
    row("8-bit GB2312") << QByteArray("Content-Type: text/plain; charset=gb2312\r\n\r\n"
                                      "\xd6\xd0\xce\xc4")
                        << QStringLiteral("中文");
    row("no charset, valid UTF-8")
        << QByteArray("Subject: x\r\n\r\n\xc3\xa9t\xc3\xa9") << QStringLiteral("été");
    row("no charset, Latin-1 bytes")
        << QByteArray("Subject: x\r\n\r\n\xe9t\xe9") << QStringLiteral("été");
    row("broken base64 cut by TOP")
        << QByteArray("Content-Type: text/plain; charset=utf-8\r\n"
                      "Content-Transfer-Encoding: base64\r\n\r\nR3LDvMOfZSBhd!!XMgS8O2b")
        << QStringLiteral("Grüße aus Kö");
    row("HTML part") << QByteArray("Content-Type: text/html; charset=utf-8\r\n"
                                   "Content-Transfer-Encoding: base64\r\n\r\n"
                                   "PHA+SGVsbG8gPGI+d29ybGQ8L2I+PC9wPg==")
                     << QStringLiteral("Hello world");
    row("picture in base64") << QByteArray("Content-Type: image/png\r\n"
                                           "Content-Transfer-Encoding: base64\r\n\r\n"
                                           "iVBORw0KGgoAAAANSUhEUg==")
                             << QStringLiteral("[Attachment ignored]");
    row("multipart, each part its own charset")
        << QByteArray("Content-Type: multipart/alternative; boundary=\"b1\"\r\n\r\n"
                      "This is a multi-part message in MIME format.\r\n"
                      "--b1\r\nContent-Type: text/plain; charset=koi8-r\r\n\r\n"
                      "\xf0\xd2\xc9\xd7\xc5\xd4\r\n"
                      "--b1\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
                      "Content-Transfer-Encoding: quoted-printable\r\n\r\nCaf=E9\r\n"
                      "--b1--\r\nepilogue")
        << QStringLiteral("This is a multi-part message in MIME format.\r\n"
                          "--b1\r\nContent-Type: text/plain; charset=koi8-r\r\n\r\nПривет\r\n"
                          "--b1\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
                          "Content-Transfer-Encoding: quoted-printable\r\n\r\nCafé\r\n"
                          "--b1--");
    row("nested multipart with an attachment")
        << QByteArray("Content-Type: multipart/mixed; boundary=outer\r\n\r\n"
                      "--outer\r\nContent-Type: multipart/alternative; boundary=\"inner\"\r\n\r\n"
                      "--inner\r\nContent-Type: text/plain\r\n\r\nhello\r\n--inner--\r\n"
                      "--outer\r\nContent-Type: application/pdf\r\n"
                      "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0xLjQK\r\n--outer--")
        << QStringLiteral(
               "--outer\r\nContent-Type: multipart/alternative; boundary=\"inner\"\r\n\r\n"
               "--inner\r\nContent-Type: text/plain\r\n\r\nhello\r\n--inner--\r\n\r\n"
               "--outer\r\nContent-Type: application/pdf\r\n"
               "Content-Transfer-Encoding: base64\r\n\r\n[Attachment ignored]\r\n"
               "--outer--");
    row("missing final boundary") << QByteArray(
                                         "Content-Type: multipart/mixed; boundary=\"zz\"\r\n\r\n"
                                         "--zz\r\nContent-Type: text/plain; charset=utf-8\r\n"
                                         "Content-Transfer-Encoding: base64\r\n\r\nR3LDvMOfZSBh")
                                  << QStringLiteral(
                                         "--zz\r\nContent-Type: text/plain; charset=utf-8\r\n"
                                         "Content-Transfer-Encoding: base64\r\n\r\nGrüße a");
    row("a status line and nothing else") << QByteArray("+OK") << QString();
    row("multipart without its boundary line")
        << QByteArray("Content-Type: multipart/mixed; boundary=\"q\"\r\n\r\njust text")
        << QStringLiteral("just text");
}

void TestMailEntete::bodies() {
    QFETCH(QByteArray, message);
    QFETCH(QString, expected);
    // A message given with its status line is the whole reply as it stands.
    const QByteArray whole = message.startsWith("+OK") ? message : reply(message);
    QCOMPARE(MailEntete::HeaderValue(whole, u"Body"), expected);
}

void TestMailEntete::htmlToText_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    QTest::newRow("head removed, breaks")
        << QStringLiteral("<HTML><HEAD><TITLE>t</TITLE><style>p{}</style></HEAD><BODY>"
                          "one<br>two<P>three</BODY></HTML>")
        << QStringLiteral("one\r\ntwo\r\nthree");
    QTest::newRow("list and link")
        << QStringLiteral(
               "<ul><li>a</li><LI class=x>b</ul><a href=\"http://example.org/\">site</a>")
        << QStringLiteral("* a\r\n* b[http://example.org/] site");
    QTest::newRow("a line break after a tag goes with it")
        << QStringLiteral("one<br>\r\ntwo<b>\r\nthree") << QStringLiteral("one\r\ntwothree");
    QTest::newRow("entities")
        << QStringLiteral(
               "&Eacute;t&eacute; &amp; &lt;b&gt; &deg; &nbsp;&#233;&#x41;&#8217;&bogus;")
        << QStringLiteral("été & <b> °  éA\u2019&bogus;");
    QTest::newRow("a lone < stays") << QStringLiteral("a < b") << QStringLiteral("a < b");
    QTest::newRow("comment") << QStringLiteral("x<!-- <b>hidden</b> -->y") << QStringLiteral("xy");
}

void TestMailEntete::htmlToText() {
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(MailEntete::HtmlToText(html), expected);
}

QB_TEST_CLASS(TestMailEntete)

#include "tst_mailentete.moc"
