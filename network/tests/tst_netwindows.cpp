#include "localisation/translator.h"
#include "network/frmnetsend.h"
#include "network/netsettings.h"
#include "network/notereceiver.h"
#include "platform/programfolder.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using qbtest::readFile;
using qbtest::writeFile;

} // namespace

class TestSendWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void sendUpdatesTheAddressBook_data();
    void sendUpdatesTheAddressBook();
    void refusedStaysOpenAndKeepsTheNote();
    void removeAndIdentityAtUnload();

private:
    std::unique_ptr<frmNetSend> makeWindow();
    [[nodiscard]] QString bookPath() const {
        return m_dir->filePath(QStringLiteral("NetAdresses.ini"));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<NoteReceiver> m_receiver;
    NoteStore m_store;
    Settings m_settings;
    ProgramState m_state;
    Translator m_tr;
    FakeDesktopShell m_shell;
    int m_port = 0;
    bool m_modalOpen = false;
};

void TestSendWindow::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_folder = std::make_unique<ProgramFolder>(m_dir->path());
    m_store.clear();
    NoteWindowState window;
    window.Left = 1500;
    window.Top = 3000;
    window.Width = 4500;
    window.Height = 3000;
    window.BackColor = 0x80FFFF;
    window.Text = QStringLiteral("buy milk\n= 2 l");
    m_store.addNote(0, NoteRecord(), window);
    m_settings = Settings();
    m_state = ProgramState();
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    m_port = probe.serverPort();
    probe.close();
    m_receiver = std::make_unique<NoteReceiver>(m_port);
    QVERIFY(m_receiver->Start_Serveur());
}

std::unique_ptr<frmNetSend> TestSendWindow::makeWindow() {
    NetSendContext ctx{m_store,
                       m_settings,
                       m_state,
                       *m_folder,
                       m_tr,
                       m_shell,
                       {},
                       m_port,
                       QStringLiteral("10.0.0.5"),
                       QStringLiteral("MyBox"),
                       QStringLiteral("ann"),
                       [this](bool open) { m_modalOpen = open; }};
    auto window = std::make_unique<frmNetSend>(ctx, 0);
    window->show();
    return window;
}

void TestSendWindow::sendUpdatesTheAddressBook_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("pick");
    QTest::addColumn<QString>("typed"); // empty: the picked entry as it stands
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("identity");
    // Lines end in LF only in the files written here: a rewrite shows as CR LF.
    QTest::newRow("new address is added and saved")
        << QByteArray("Bob=10.9.9.9\n") << -1 << u"Me=127.0.0.1"_s
        << QByteArray("Bob=10.9.9.9\r\nMe=127.0.0.1\r\n") << u"10.0.0.5 (ann)"_s;
    QTest::newRow("unchanged entry: the file is left alone")
        << QByteArray("Bob=10.9.9.9\nMe = 127.0.0.1\n") << 1 << QString()
        << QByteArray("Bob=10.9.9.9\nMe = 127.0.0.1\n") << u"10.0.0.5 (ann)"_s;
    QTest::newRow("edited entry replaces it")
        << QByteArray("Bob=10.9.9.9\nMe=localhost\n") << 0 << u"Bob=localhost"_s
        << QByteArray("Bob=localhost\r\nMe=localhost\r\n") << u"mybox (ann)"_s;
}

void TestSendWindow::sendUpdatesTheAddressBook() {
    QFETCH(QByteArray, before);
    QFETCH(int, pick);
    QFETCH(QString, typed);
    QFETCH(QByteArray, after);
    QFETCH(QString, identity);
    writeFile(bookPath(), before);
    QSignalSpy messages(m_receiver.get(), &NoteReceiver::messageReceived);
    auto window = makeWindow();
    QVERIFY(m_modalOpen);
    if (pick >= 0) {
        window->cboAdresse->setCurrentIndex(pick);
        window->cboAdresse_Click(pick);
    }
    if (!typed.isEmpty())
        window->cboAdresse->setEditText(typed);
    window->chkDeleteAfterSend->setChecked(true);
    window->cmdSend->click();
    QCOMPARE(window->lblStatus->text(), m_tr.Translation(81));
    QVERIFY(!window->cboAdresse->isEnabled());
    QTRY_VERIFY(!window->isVisible());
    QTRY_COMPARE(messages.size(), 1);
    QCOMPARE(messages.first().first().toByteArray(),
             identity.toLatin1() + "=3000=1500=4500=3000=8454143=0=buy milk\r\n= 2 l");
    QCOMPARE(readFile(bookPath()), after);
    QVERIFY(m_state.DeleteSentNote);
    QVERIFY(!m_modalOpen);
}

void TestSendWindow::refusedStaysOpenAndKeepsTheNote() {
    m_receiver->Stop_Serveur();
    auto window = makeWindow();
    window->cboAdresse->setEditText(QStringLiteral("127.0.0.1"));
    window->chkDeleteAfterSend->setChecked(true);
    window->cmdSend->click();
    QTRY_VERIFY(window->lblStatus->text().contains(QLatin1String("10061")));
    QVERIFY(window->isVisible());
    QVERIFY(window->cboAdresse->isEnabled());
    QVERIFY(!m_state.DeleteSentNote);
    QVERIFY(!QFile::exists(bookPath()));
}

void TestSendWindow::removeAndIdentityAtUnload() {
    writeFile(bookPath(), "a=1.1.1.1\nb=2.2.2.2\n");
    auto window = makeWindow();
    QCOMPARE(window->txtYourID->text(), QStringLiteral("ann"));
    window->cboAdresse->setCurrentIndex(0);
    window->cboAdresse_Click(0);
    window->cmdRemove->click();
    QCOMPARE(window->cboAdresse->currentText(), QString());
    window->txtYourID->setText(QStringLiteral("Ann at home"));
    window->close();
    QCOMPARE(readFile(bookPath()), QByteArray("b=2.2.2.2\r\n"));
    QCOMPARE(m_settings.NetID, QStringLiteral("Ann at home"));
    QVERIFY(m_state.SettingsChanged);
    QVERIFY(!m_state.DeleteSentNote);
}

class TestNetSettings : public QObject {
    Q_OBJECT
private slots:
    void switchesAndSound();
};

void TestNetSettings::switchesAndSound() {
    Settings settings;
    ProgramState state;
    NoteStore store;
    FakeDialogs dialogs;
    FakeSound sound;
    settings.chkNetEnable = 1;
    settings.NetWavFile = QStringLiteral("/snd/old.wav");
    NetSettingsPanel panel(settings, state, store, dialogs, sound);
    QVERIFY(panel.chkNetEnable->isChecked());
    QSignalSpy enable(&panel, &NetSettingsPanel::netEnableChanged);

    // The program changing the controls starts and stops nothing.
    store.UpdatingLists = true;
    panel.chkNetEnable->click();
    store.UpdatingLists = false;
    QCOMPARE(enable.size(), 0);
    QVERIFY(!state.SettingsChanged);
    panel.chkNetEnable->setChecked(false);
    panel.chkNetEnable->click();
    QCOMPARE(enable.size(), 1);
    QCOMPARE(enable.first().first().toBool(), true);
    QCOMPARE(settings.chkNetEnable, 1);
    QVERIFY(state.SettingsChanged);

    // Cancel keeps the sound; a choice is kept, previewed and shown.
    state.SettingsChanged = false;
    panel.cmdNetPlaySound->click();
    QCOMPARE(settings.NetWavFile, QStringLiteral("/snd/old.wav"));
    QVERIFY(!state.SettingsChanged);
    dialogs.files.enqueue(QStringLiteral("/snd/new.wav"));
    panel.cmdNetPlaySound->click();
    QCOMPARE(settings.NetWavFile, QStringLiteral("/snd/new.wav"));
    QCOMPARE(sound.played, QStringList{QStringLiteral("/snd/new.wav")});
    QCOMPARE(panel.cmdNetPlaySound->toolTip(), QStringLiteral("/snd/new.wav"));
    QVERIFY(state.SettingsChanged);
}

QB_TEST_CLASS(TestSendWindow)
QB_TEST_CLASS(TestNetSettings)
QB_TEST_MAIN
#include "tst_netwindows.moc"
