#include "manager/frmstartup.h"
#include "manager/notelists.h"
#include "network/frmnetsend.h"
#include "network/netsettings.h"
#include "notewindow/frmblocnote.h"
#include "notewindow/notewindowset.h"
#include "platform/socketcontrol.h"
#include "platform/testing/testmain.h"
#include "shell/netservice.h"
#include "shell/program.h"
#include "shell/tests/tempprogramfolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QByteArray iniLine(const char* key, const QByteArray& value) {
    return QByteArray(key).leftJustified(20) + value.leftJustified(128) + "\r\n";
}

void writeSettings(const QString& folder) {
    QFile ini(folder + u"Quillaboard.ini"_s);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(iniLine("[Version]", Program::runningVersion().toLatin1()) +
              iniLine("[NetID]", "Ann") + iniLine("[End of INI]", {}));
}

int freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

// Two copies of the program in one process, one sending a note to the other's receiver.
class TestNetPrograms : public QObject {
    Q_OBJECT
private slots:
    void oneSendsToTheOther();
};

void TestNetPrograms::oneSendsToTheOther() {
    TempProgramFolder homeA;
    TempProgramFolder homeB;
    homeA.exportEnvironment();
    writeSettings(homeA.folder());
    writeSettings(homeB.folder());
    Program a{ProgramFolder(homeA.folder())};
    Program b{ProgramFolder(homeB.folder())};
    QVERIFY(a.start());
    QVERIFY(b.start());
    const int portA = freePort();
    const int portB = freePort();
    a.net()->setPorts(portA, portB);
    b.net()->setPorts(portB, portA);
    for (Program* p : {&a, &b})
        p->net()->settingsPanel().chkNetEnable->click();
    QCOMPARE(b.net()->settingsPanel().lblNetStatus->text(), u"Listening on port %1"_s.arg(portB));

    const int slot = a.manager()->lists().cmdNewNote_Click();
    a.noteWindows()->window(slot)->textBox()->setPlainText(u"Tea = 2\nMilk \u00e9\u65e5"_s);
    NoteWindowState& sent = a.store().Windows.at(size_t(slot));
    sent.Left = 3000;
    sent.Top = 1500;
    sent.BackColor = 0x123456;

    // "Send to...", the address typed, the note removed after the send.
    QTimer::singleShot(0, this, [&] {
        frmNetSend* window = a.net()->sendWindow();
        QVERIFY(window);
        window->cboAdresse->setEditText(u"Bea=127.0.0.1"_s);
        window->chkDeleteAfterSend->setChecked(true);
        window->cmdSend->click();
    });
    emit a.noteWindows()->sendRequested(slot, a.noteWindows()->window(slot));
    QVERIFY(a.store().Notes.at(size_t(slot)).isDeleted());

    QTRY_COMPARE(b.store().LastNote(), 0);
    const NoteRecord& record = b.store().Notes.at(0);
    const NoteWindowState& got = b.store().Windows.at(0);
    QVERIFY2(record.Title.startsWith(u"From %1 (Ann) "_s.arg(SocketControl::LocalIP())),
             qPrintable(record.Title));
    QCOMPARE(got.Text, u"Tea = 2\nMilk \u00e9\u65e5"_s);
    QCOMPARE(QPointF(got.Left, got.Top), QPointF(3000, 1500));
    QCOMPARE(got.BackColor, 0x123456);
    QCOMPARE(b.store().Notes.at(0).ChangeMark, mark::Created);
    QVERIFY(b.noteWindows()->existingWindow(0)->isFlashing());
    QCOMPARE(b.manager()->lists().lineText(0), record.Title);

    b.shutdown();
    QFile data(homeB.folder() + u"Quillaboard.dat"_s);
    QVERIFY(data.open(QIODevice::ReadOnly));
    QVERIFY(data.readAll().contains("Tea = 2\r\nMilk"));
    a.shutdown();
}

QB_TEST_CLASS(TestNetPrograms)
#include "tst_netprogram.moc"
