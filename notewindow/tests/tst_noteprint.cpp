#include "localisation/translator.h"
#include "notewindow/frmblocnote.h"
#include "notewindow/linkwatcher.h"
#include "notewindow/notecommands.h"
#include "notewindow/notewindowset.h"
#include "platform/filesystem.h"
#include "platform/oledate.h"
#include "platform/programfolder.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "store/linkedfile.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

using namespace Qt::StringLiterals;

namespace {

// Note windows over one program folder, with the linked files and their watch.
struct PrintEnv {
    QTemporaryDir dir;
    ProgramFolder folder{dir.path() + QLatin1Char('/')};
    NoteStore store;
    Settings settings;
    ProgramState state;
    FakeMessageSink messages;
    Translator tr;
    FakeDialogs dialogs;
    FakeDesktopShell shell;
    FakeClock clock;
    NoteContext ctx{store, settings, state, folder, messages, tr, dialogs, shell, clock};
    NoteWindowSet windows{ctx};
    LinkedFileStore linked{store, folder, fileio::realFileSystem(), messages, tr};
    LinkWatcher watcher{linked, windows};

    PrintEnv() {
        windows.measureLayout();
        windows.commands().setLinkedFiles(&linked);
    }

    int add(const NoteRecord& rec, NoteWindowState st) {
        st.Left = st.Top = 1500;
        st.Width = st.Height = 4500;
        const int slot = store.addNote(0, rec, st);
        store.UpdatingLists = true;
        windows.buildNote(slot);
        store.UpdatingLists = false;
        return slot;
    }
    QPlainTextEdit* box(int slot) { return windows.existingWindow(slot)->textBox(); }
};

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The words of each line the text box shows, found from where each word starts on screen.
QList<QStringList> shownWords(QPlainTextEdit* box) {
    QList<QStringList> lines;
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
        int lastTop = -1;
        const QRegularExpression word(u"\\S+"_s);
        for (auto it = word.globalMatch(block.text()); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            QTextCursor cursor(block);
            cursor.setPosition(block.position() + static_cast<int>(m.capturedStart()));
            const int top = box->cursorRect(cursor).top();
            if (top != lastTop)
                lines.append(QStringList());
            lines.last().append(m.captured());
            lastTop = top;
        }
    }
    return lines;
}

const QString Paragraph =
    u"alpha bravo charlie delta echo foxtrot golf hotel india juliett kilo lima mike november "
    "oscar papa quebec romeo sierra tango uniform victor whiskey xray yankee zulu"_s;

} // namespace

// Printing a note, through a PDF file read back as text, and a linked file seen in its window.
class TestNotePrint : public QObject {
    Q_OBJECT
private slots:
    void printedPage_data() {
        QTest::addColumn<int>("widthPx");
        QTest::addColumn<bool>("alarm");
        QTest::addColumn<bool>("boldItalic");
        QTest::addColumn<QString>("output");
        QTest::newRow("wide") << 420 << false << false << u"note.pdf"_s;
        QTest::newRow("narrow, alarm set") << 190 << true << false << u"note.pdf"_s;
        QTest::newRow("narrow, bold italic text") << 190 << false << true << u"note.pdf"_s;
        // A print that fails says why.
        QTest::newRow("folder missing") << 420 << false << false << u"gone/note.pdf"_s;
    }
    void printedPage() {
        QFETCH(int, widthPx);
        QFETCH(bool, alarm);
        QFETCH(bool, boldItalic);
        QFETCH(QString, output);
        PrintEnv env;
        NoteRecord rec;
        rec.setTitle(u"Groceries"_s);
        rec.Created = oledate::fromDateTime(QDateTime(QDate(2024, 3, 1), QTime(9, 15)));
        rec.Modified = oledate::fromDateTime(QDateTime(QDate(2024, 3, 10), QTime(18, 0)));
        const QDateTime alarmAt(QDate(2024, 3, 20), QTime(8, 0));
        if (alarm) {
            rec.AlarmState = u"E"_s;
            rec.AlarmDate = oledate::fromDateTime(alarmAt);
        }
        NoteWindowState st;
        st.FontName = u"DejaVu Sans"_s;
        st.FontSize = 11;
        st.FontBold = st.FontItalic = boldItalic;
        st.Text = Paragraph + u"\nlast line"_s;
        const int slot = env.add(rec, st);
        frmBlocNote* window = env.windows.existingWindow(slot);
        window->resize(widthPx, 300);
        QApplication::processEvents();

        const QString pdf = env.dir.filePath(output);
        env.windows.commands().setPrinterChooser([&](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        env.windows.commands().print(slot, window);
        if (output.startsWith(u"gone/"_s)) {
            QCOMPARE(env.messages.count(), 1);
            QVERIFY(env.messages.shown.at(0).text.contains(u"could not be written"_s));
            return;
        }
        QCOMPARE(env.messages.count(), 0);

        // Shaping may print "fi" as one glyph; the page break comes out as a form feed.
        QStringList lines = run(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s})
                                .normalized(QString::NormalizationForm_KC)
                                .remove(u'\f')
                                .split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() > 5, qPrintable(lines.join(u'\n')));
        QCOMPARE(lines.at(0).trimmed(), u"Groceries"_s);
        QVERIFY(lines.at(1).trimmed().startsWith(u"Created"_s));
        QVERIFY(lines.at(2).trimmed().startsWith(u"Modified"_s));
        int at = 3;
        if (alarm) {
            const QString line = lines.at(at++).simplified();
            QVERIFY2(line.startsWith(u"Alarm set : "_s) && line.endsWith(u" U"_s),
                     qPrintable(line));
            QVERIFY(line.contains(QLocale::system().toString(alarmAt, QLocale::ShortFormat)));
        }
        QCOMPARE(lines.at(at++).trimmed(), QString(58, u'-'));

        // The text breaks at the same words as in the window, which wraps the paragraph.
        const QList<QStringList> shown = shownWords(env.box(slot));
        QVERIFY(shown.size() > 3);
        QList<QStringList> printed;
        for (; at < lines.size(); ++at)
            printed.append(lines.at(at).split(u' ', Qt::SkipEmptyParts));
        QCOMPARE(printed, shown);

        // The title in bold, the text in the text box's own font.
        QStringList fonts;
        for (const QString& line : run(u"pdffonts"_s, {pdf}).split(u'\n').mid(2))
            fonts.append(line.section(u' ', 0, 0));
        fonts.removeAll(QString());
        fonts.sort();
        const QStringList expected = boldItalic
                                         ? QStringList{u"DejaVuSans-BoldOblique"_s}
                                         : QStringList{u"DejaVuSans"_s, u"DejaVuSans-Bold"_s};
        QCOMPARE(fonts, expected);
    }

    // A file changed outside shows in its note's window, also when an editor puts a new file
    // in its place; a file too big for a note shows read-only and says why.
    void linkedFileInWindow() {
        PrintEnv env;
        const QString path = env.dir.filePath(u"todo.txt"_s);
        const auto put = [&](const QString& file, const QByteArray& bytes) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(bytes);
        };
        put(path, "first\n");
        NoteRecord rec;
        rec.OpenFile = rec.UpdateFile = true;
        rec.FiletoOpen = u"todo.txt"_s;
        const int slot = env.add(rec, NoteWindowState{});
        env.windows.commands().setLink(slot, true, u"todo.txt"_s);
        QCOMPARE(env.box(slot)->toPlainText(), u"first"_s);
        QVERIFY(!env.box(slot)->isReadOnly());

        put(path, "second\n");
        QTRY_COMPARE(env.box(slot)->toPlainText(), u"second"_s);
        put(path + u".new"_s, "third\n");
        QVERIFY(QFile::remove(path) && QFile::rename(path + u".new"_s, path));
        QTRY_COMPARE(env.box(slot)->toPlainText(), u"third"_s);
        put(path, "fourth\n");
        QTRY_COMPARE(env.box(slot)->toPlainText(), u"fourth"_s);

        put(path, QByteArray(40000, 'x'));
        QTRY_VERIFY(env.box(slot)->isReadOnly());
        QVERIFY(env.box(slot)->toolTip().contains(u"too big"_s));
        QCOMPARE(env.messages.count(), 1);
        QTest::keyClicks(env.box(slot), u"typed"_s);
        QVERIFY(!env.box(slot)->toPlainText().contains(u"typed"_s));
        // Switched off, the note's text is its own again.
        env.windows.commands().setLink(slot, false, u"todo.txt"_s);
        QVERIFY(!env.box(slot)->isReadOnly());
        QCOMPARE(QFile(path).size(), 40000);
    }
};

QB_TEST_CLASS(TestNotePrint)
#include "tst_noteprint.moc"
