#pragma once

#include "localisation/translator.h"
#include "platform/programfolder.h"
#include "platform/testing/fakefilesystem.h"
#include "platform/testing/fakes.h"
#include "store/loader.h"
#include "store/notefiles.h"
#include "store/notestore.h"
#include "store/saver.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <memory>

// A program folder in a temporary directory with the note files and the fakes a load or a
// save needs.
class StoreFixture {
public:
    StoreFixture();

    QTemporaryDir dir;
    ProgramFolder folder;
    NoteFiles files;
    // Every file operation of the store goes through it; it passes them on unless told not to.
    FakeFileSystem fs;
    FakeMessageSink messages;
    FakeClock clock;
    Translator tr;
    NoteStore store;
    QString version = QStringLiteral("3.2.0");

    [[nodiscard]] SaveContext context(LinkedFiles* linked = nullptr);
    // Loads with a 1920x1080 pixel screen and no windows.
    LoadResult load(bool multiScreens = false);
    bool save();
    bool quickSave();
};

// A valid note of list `list`, 200x150 pixels at (100, 100).
struct TestNote {
    NoteRecord record;
    NoteWindowState window;
};
[[nodiscard]] TestNote makeNote(const QString& title, const QString& text, int list = 0);
[[nodiscard]] QByteArray encodeNote(const TestNote& note, int recordNumber = 1);
// Writes a data file of these notes, records numbered from 1.
void writeDataFile(const QString& path, const std::vector<TestNote>& notes);

// The texts of a list's lines, in order.
[[nodiscard]] QStringList texts(const NoteStore& store, int list);
// Loads the program folder again through the real file system; the texts of one list.
[[nodiscard]] QStringList reload(StoreFixture& f, int list = 0);
// Adds a new note, marked created, to `list` of the fixture's store; returns its slot.
int addCreated(StoreFixture& f, const QString& text, int list = 0);
// Gives line `pos` of the notes list a new text and marks it; returns its slot.
int edit(StoreFixture& f, int pos, const QString& text);

[[nodiscard]] QByteArray readBytes(const QString& path);
[[nodiscard]] QByteArray recordAt(const QByteArray& file, int recordNumber);

inline constexpr int ScreenWidth = 1920 * 15;
inline constexpr int ScreenHeight = 1080 * 15;
