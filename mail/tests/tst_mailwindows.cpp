#include "scriptedserver.h"

#include "localisation/translator.h"
#include "mail/franetworksettings.h"
#include "mail/frmdetmail.h"
#include "mail/frmmaildetail.h"
#include "mail/frmsmallemailnotify.h"
#include "mail/mailprogram.h"
#include "mail/mailwindows.h"
#include "mail/pop3session.h"
#include "mail/windowplacement.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A mailbox on the scripted server: STAT, TOP and DELE act on the list of messages.
ScriptedServer::Responder mailbox(QList<QByteArray>& messages, QStringList& deleted) {
    return [&messages, &deleted](QTcpSocket*, const QByteArray& line) -> QByteArray {
        const QList<QByteArray> words = line.split(' ');
        const int n = words.size() > 1 ? words.at(1).toInt() : 0;
        if (words.first() == "STAT")
            return "+OK " + QByteArray::number(messages.size()) + " 100\r\n";
        if (words.first() == "TOP" || words.first() == "DELE") {
            if (n < 1 || n > messages.size())
                return "-ERR no such message\r\n";
            if (words.first() == "DELE") {
                deleted << QString::fromLatin1(messages.takeAt(n - 1).left(20));
                return "+OK\r\n";
            }
            return "+OK\r\n" + messages.at(n - 1) + "\r\n.\r\n";
        }
        return "+OK\r\n";
    };
}

QByteArray message(int i) {
    return "From: Friend " + QByteArray::number(i) + " <f@x>\r\nSubject: news " +
           QByteArray::number(i) + "\r\nMessage-ID: <" + QByteArray::number(i) +
           "@x>\r\n\r\nText of message " + QByteArray::number(i);
}

struct WindowsRig {
    Settings settings;
    ProgramState state;
    Translator tr;
    FakeDiagnosticLog log;
    FakeMessageSink messages;
    FakeDesktopShell shell;
    FakeDialogs dialogs;
    FakeSound sound;
    Pop3Session session{settings, tr, &log, messages};
    QStringList tips;
    MailWindows windows{
        MailWindows::Parts{session, settings, state, tr, shell, dialogs, messages, sound,
                           ProgramFolder(QDir::tempPath() + QLatin1Char('/')),
                           [this](const QString& tip) { tips << tip; },
                           [](const QString&, const QStringList&) { return QString(); }}};

    explicit WindowsRig(int port) {
        settings.txtServeurIP = QStringLiteral("127.0.0.1");
        settings.txtPort = QString::number(port);
        settings.txtUser = QStringLiteral("ann");
        settings.txtPass = QStringLiteral("secret");
    }
    bool finished() {
        return QTest::qWaitFor([&] { return !session.sessionOpen(); }, 20000);
    }
};

} // namespace

class TestMailWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void listReadAndDeleteToTheLast();
    void closingTheListEndsTheSession();
    void mailProgram_data();
    void mailProgram();
    void findWebAddressWalksAndWraps();
    void placement_data();
    void placement();
    void panelEditsTheSettings();

private:
    QTemporaryDir m_home;
};

void TestMailWindows::initTestCase() {
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (m_home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (m_home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_DIRS", (m_home.path() + QStringLiteral("/none")).toUtf8());
}

void TestMailWindows::listReadAndDeleteToTheLast() {
    QList<QByteArray> box{message(1), message(2)};
    QStringList deleted;
    ScriptedServer server("+OK ready\r\n", mailbox(box, deleted));
    WindowsRig rig(server.port());
    rig.settings.chkMailPlaySound = 1;
    rig.settings.MailWavFile = QStringLiteral("newmail.wav");
    frmSmallEmailNotify* notify = rig.windows.notify();
    frmDetMail* list = rig.windows.detMail();
    frmMailDetail* detail = rig.windows.mailDetail();

    rig.session.cmdCheckMail_Click();
    QVERIFY(rig.finished());
    QVERIFY(notify->isVisible());
    QCOMPARE(notify->lblSmallNotifyMsg()->text(), QStringLiteral("New mail\r\nTotal : 2"));
    QCOMPARE(notify->lblSmallNotifyMsg()->toolTip(), QStringLiteral("Friend 2 - news 2"));
    QCOMPARE(rig.sound.played, QStringList{QDir::tempPath() + QStringLiteral("/newmail.wav")});
    QCOMPARE(rig.tips.last(), QStringLiteral("Quillaboard. 2 message(s) waiting"));
    QCOMPARE(rig.windows.panel()->lblMailStatus()->text(),
             QStringLiteral("You have 2 message(s) waiting"));

    QTest::mouseClick(notify->cmdShowDetail(), Qt::LeftButton);
    QVERIFY(list->isVisible());
    QCOMPARE(notify->cmdShowDetail()->text(), QStringLiteral("Hide details"));
    QCOMPARE(list->lstDetMail()->count(), 2);
    QCOMPARE(list->lblDetMail()->text(), QStringLiteral("You have 2 message(s) waiting"));

    for (int remaining = 2; remaining > 0; --remaining) {
        // Read the last entry, then delete it from the message window.
        QListWidgetItem* item = list->lstDetMail()->item(remaining - 1);
        QTest::mouseClick(list->lstDetMail()->viewport(), Qt::LeftButton, {},
                          list->lstDetMail()->visualItemRect(item).center());
        QVERIFY(rig.finished());
        QVERIFY(detail->isVisible());
        QCOMPARE(detail->txtMailDetail()->toPlainText(),
                 QStringLiteral("Text of message %1").arg(remaining));
        QVERIFY(!detail->action(QStringLiteral("mnuNormalView"))->isEnabled());
        QTest::mouseClick(detail->cmdMailDetailDelete(), Qt::LeftButton);
        QVERIFY(rig.finished());
        QVERIFY(!detail->isVisible());
        QCOMPARE(list->lstDetMail()->count(), remaining - 1);
        QCOMPARE(notify->lblSmallNotifyMsg()->text(),
                 QStringLiteral("New mail\r\nTotal : %1").arg(remaining - 1));
    }
    QCOMPARE(deleted.size(), 2);
    QCOMPARE(notify->cmdShowDetail()->text(), QStringLiteral("Show details"));
    QVERIFY(!list->isVisible());
    QVERIFY(!rig.settings.MailDetailWindow.isEmpty());
}

void TestMailWindows::closingTheListEndsTheSession() {
    // The server never answers the reading: the session is connected when the list closes.
    QList<QByteArray> box{message(1)};
    QStringList deleted;
    ScriptedServer::Responder normal = mailbox(box, deleted);
    ScriptedServer server("+OK ready\r\n", [&](QTcpSocket* peer, const QByteArray& line) {
        return line.startsWith("TOP 1 100") ? QByteArray() : normal(peer, line);
    });
    WindowsRig rig(server.port());
    rig.settings.chkMailWriteLog = 1;
    rig.windows.cmdShowDetail_Click();
    rig.session.readMessage(1, Pop3Session::Starter::ListClick);
    QTRY_VERIFY(server.commands.contains(QStringLiteral("TOP 1 100")));
    rig.windows.detMail()->close();
    QTRY_COMPARE(server.commands.last(), QStringLiteral("QUIT"));
    QVERIFY(std::any_of(rig.log.lines.cbegin(), rig.log.lines.cend(), [](const auto& line) {
        return line.line == QStringLiteral(" DataArrival (send data)    : QUIT ");
    }));
    QVERIFY(!rig.windows.detMail()->isVisible());
    QVERIFY(!rig.settings.DetMailWindow.isEmpty());
}

void TestMailWindows::mailProgram_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("handler"); // the desktop entry the mailto query names
    QTest::addColumn<QString>("started");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("kept");
    QTest::newRow("a command with arguments")
        << QStringLiteral("/bin/true --compose \"two words\"") << QString()
        << QStringLiteral("/bin/true --compose two words") << QString() << QString()
        << QStringLiteral("/bin/true --compose \"two words\"");
    QTest::newRow("a program that is gone")
        << QStringLiteral("/nonexistent/mailer -x") << QString() << QString() << QString()
        << QStringLiteral("Unable to open the mail program\r\n/nonexistent/mailer -x") << QString();
    QTest::newRow("the desktop's mailto handler")
        << QString() << QStringLiteral("mailer.desktop") << QStringLiteral("/bin/true -compose")
        << QString() << QString() << QStringLiteral("/bin/true -compose");
    QTest::newRow("no handler: the desktop opens mailto:")
        << QString() << QString() << QString() << QStringLiteral("mailto:") << QString()
        << QString();
}

void TestMailWindows::mailProgram() {
    QFETCH(QString, setting);
    QFETCH(QString, handler);
    QFETCH(QString, started);
    QFETCH(QString, opened);
    QFETCH(QString, box);
    QFETCH(QString, kept);
    const QString apps =
        QString::fromUtf8(qgetenv("XDG_DATA_HOME")) + QStringLiteral("/applications");
    QDir().mkpath(apps);
    QFile entry(apps + QStringLiteral("/mailer.desktop"));
    QVERIFY(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nName=Mailer\nExec=/bin/true -compose %u\nType=Application\n");
    entry.close();

    Settings settings;
    ProgramState state;
    Translator tr;
    FakeDesktopShell shell;
    FakeMessageSink messages;
    settings.MailProgram = setting;
    QStringList queried;
    MailProgram program(settings, state, shell, messages, tr,
                        [&](const QString& command, const QStringList& arguments) {
                            queried
                                << command + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
                            return handler;
                        });
    program.open();
    QCOMPARE(shell.started.join(QLatin1Char('|')), started);
    QCOMPARE(shell.opened.join(QLatin1Char('|')), opened);
    QCOMPARE(messages.count(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty()) {
        QCOMPARE(messages.shown.at(0).text, box);
        QCOMPARE(messages.shown.at(0).title, QStringLiteral("Error 53"));
    }
    QCOMPARE(settings.MailProgram, kept);
    QCOMPARE(state.SettingsChanged, setting != kept);
    QCOMPARE(queried.isEmpty(), !setting.isEmpty());
    if (!queried.isEmpty())
        QCOMPARE(queried.first(), QStringLiteral("xdg-mime query default x-scheme-handler/mailto"));
}

void TestMailWindows::findWebAddressWalksAndWraps() {
    FakeDesktopShell shell;
    frmMailDetail detail(shell);
    detail.showMessage(QStringLiteral("See http://a.org/x, then \"www.b.net\"\r\nbye"), false);
    QStringList found;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(detail.txtMailDetail(), Qt::Key_Space);
        found << detail.txtMailDetail()->textCursor().selectedText();
    }
    QCOMPARE(found, (QStringList{QStringLiteral("http://a.org/x"), QStringLiteral("www.b.net"),
                                 QStringLiteral("http://a.org/x")}));
    // Typing changes nothing.
    QTest::keyClicks(detail.txtMailDetail(), QStringLiteral("abc"));
    QVERIFY(detail.txtMailDetail()->toPlainText().startsWith(QStringLiteral("See http")));
    detail.action(QStringLiteral("mnuOpenBrowser"))->trigger();
    QCOMPARE(shell.opened, QStringList{QStringLiteral("http://a.org/x")});
}

void TestMailWindows::placement_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("centred");
    QTest::newRow("nothing stored") << QString() << true;
    QTest::newRow("kept") << QStringLiteral("1500,1500,6000,4500") << false;
    QTest::newRow("no size") << QStringLiteral("1500,1500,0,4500") << true;
    QTest::newRow("off the screen") << QStringLiteral("-90000,1500,6000,4500") << true;
}

void TestMailWindows::placement() {
    QFETCH(QString, stored);
    QFETCH(bool, centred);
    QWidget window;
    window.resize(300, 200);
    QString setting = stored;
    const bool changed = windowplacement::place(&window, setting);
    QCOMPARE(changed, centred);
    if (centred) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(window.pos(), QPoint((screen.width() - 300) / 2, (screen.height() - 200) / 2));
    } else {
        QCOMPARE(window.pos(), QPoint(100, 100));
        QCOMPARE(window.size(), QSize(400, 300));
    }
    // What is stored places the window there again.
    QWidget again;
    QString copy = setting;
    QVERIFY(!windowplacement::place(&again, copy));
    QCOMPARE(again.pos(), window.pos());
}

void TestMailWindows::panelEditsTheSettings() {
    Settings settings;
    ProgramState state;
    settings.txtServeurIP = QStringLiteral("pop.example.org");
    settings.chkCheckMail = 1;
    fraNetworkSettings panel(settings, state);
    QCOMPARE(panel.txtServeurIP()->text(), QStringLiteral("pop.example.org"));
    QVERIFY(panel.chkCheckMail()->isChecked());
    QCOMPARE(panel.txtPass()->echoMode(), QLineEdit::Password);
    QVERIFY(!state.SettingsChanged);

    QSignalSpy toggled(&panel, &fraNetworkSettings::checkMailToggled);
    QSignalSpy interval(&panel, &fraNetworkSettings::intervalChanged);
    QTest::keyClicks(panel.txtUser(), QStringLiteral("ann"));
    QCOMPARE(settings.txtUser, QStringLiteral("ann"));
    QVERIFY(state.SettingsChanged);
    panel.chkCheckMail()->click();
    QCOMPARE(settings.chkCheckMail, 0);
    QCOMPARE(toggled.count(), 1);
    panel.vsbMailInterval()->setValue(300);
    QCOMPARE(settings.txtMailInterval, QStringLiteral("300"));
    QVERIFY(interval.count() >= 1);

    state.SettingsChanged = false;
    panel.chkMailWriteLog()->click(); // the log switch is not kept in the file
    QCOMPARE(settings.chkMailWriteLog, 1);
    QVERIFY(!state.SettingsChanged);

    auto* section = new QLabel(QStringLiteral("receiver"));
    panel.addSection(section);
    QCOMPARE(section->parentWidget(), &panel);
    QVERIFY(panel.cmdMailSetOK()->y() > section->y() || !panel.isVisible());
}

QB_TEST_CLASS(TestMailWindows)

#include "tst_mailwindows.moc"
