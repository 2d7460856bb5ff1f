// Linked text files: reading a file into a note and writing an edit back against raw reads and
// safe replacements of the same bytes, and the look at every linked file that follows a change
// seen on disk, with 200 linked notes of which none changed.
#include "localisation/translator.h"
#include "platform/filesystem.h"
#include "platform/programfolder.h"
#include "platform/testing/fakes.h"
#include "store/linkedfile.h"
#include "store/notestore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>

namespace {

constexpr int Runs = 5;
constexpr int Notes = 200;

double bestMs(const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

// A to-do list of about 30 KB in Windows-1252 with CR LF line breaks.
QByteArray todoList() {
    QByteArray bytes;
    for (int i = 0; bytes.size() < 30000; ++i)
        bytes += "- [ ] item " + QByteArray::number(i) + " caf\xE9 cr\xE8me br\xFBl\xE9\r\n";
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    ProgramFolder folder(dir.path() + QLatin1Char('/'));
    FakeMessageSink messages;
    Translator tr;
    NoteStore store;
    LinkedFileStore linked(store, folder, fileio::realFileSystem(), messages, tr);

    const QByteArray bytes = todoList();
    for (int i = 0; i < Notes; ++i) {
        const QString name = QStringLiteral("list%1.txt").arg(i);
        QFile file(folder.file(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        NoteRecord note;
        note.OpenFile = note.UpdateFile = true;
        note.FiletoOpen = name;
        store.addNote(0, note, NoteWindowState{});
    }

    const QString first = folder.file(QStringLiteral("list0.txt"));
    const double rawRead = bestMs([&] {
        QFile file(first);
        (void)file.open(QIODevice::ReadOnly);
        (void)file.readAll();
    });
    const double read = bestMs([&] { linked.ReadLinkedFile(0); });

    const double rawWrite = bestMs([&] {
        (void)fileio::replaceFile(fileio::realFileSystem(), folder.file(QStringLiteral("raw.txt")),
                                  bytes);
    });
    int edit = 0;
    const double write = bestMs([&] {
        store.Windows[0].Text += QStringLiteral("\n- [ ] more %1").arg(++edit);
        linked.WriteLinkedFile(0);
    });

    for (int i = 0; i < Notes; ++i)
        linked.ReadLinkedFile(i);
    const double look = bestMs([&] { linked.checkForOutsideChanges(); });

    out << "linked file of " << bytes.size() << " bytes\n";
    out << "  read into a note: " << read << " ms, raw read " << rawRead << " ms, ratio "
        << read / rawRead << "\n";
    out << "  edit written back: " << write << " ms, raw safe replacement " << rawWrite
        << " ms, ratio " << write / rawWrite << "\n";
    out << "  look at " << Notes << " unchanged linked files: " << look << " ms (" << look / Notes
        << " ms a file)\n";
    return messages.count() == 0 ? 0 : 1;
}
