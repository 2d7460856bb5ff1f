#pragma once

#include "manager/linkedfileupdater.h"
#include "notewindow/linkwatcher.h"
#include "store/linkedfile.h"

#include <QObject>

class MessageSink;
class NoteStore;
class NoteWindowSet;
class PropertiesPanel;
class ProgramFolder;
class Translator;

// The notes' linked files for the running program: the files themselves, the watch on them,
// and the properties panel's link settings, which go through the note commands. The panel
// uses it for as long as it lives.
class LinkService : public QObject, public LinkedFileUpdater {
    Q_OBJECT
public:
    LinkService(NoteStore& store, const ProgramFolder& folder, MessageSink& messages,
                const Translator& tr, NoteWindowSet& windows, PropertiesPanel& panel,
                QObject* parent = nullptr);
    ~LinkService() override;

    [[nodiscard]] LinkedFileStore& files() { return m_files; }
    void UpdateLinkedFile(int slot, bool openFile, const QString& fileToOpen) override;

private:
    NoteWindowSet& m_windows;
    PropertiesPanel& m_panel;
    LinkedFileStore m_files;
    LinkWatcher m_watcher;
};
