#include "shell/linkservice.h"

#include "manager/propertiespanel.h"
#include "notewindow/notecommands.h"
#include "notewindow/notewindowset.h"
#include "platform/filesystem.h"

LinkService::LinkService(NoteStore& store, const ProgramFolder& folder, MessageSink& messages,
                         const Translator& tr, NoteWindowSet& windows, PropertiesPanel& panel,
                         QObject* parent)
    : QObject(parent)
    , m_windows(windows)
    , m_panel(panel)
    , m_files(store, folder, fileio::realFileSystem(), messages, tr)
    , m_watcher(m_files, windows) {
    m_windows.commands().setLinkedFiles(&m_files);
    m_panel.setLinkedFileUpdater(this);
}

LinkService::~LinkService() {
    m_panel.setLinkedFileUpdater(nullptr);
    m_windows.commands().setLinkedFiles(nullptr);
}

void LinkService::UpdateLinkedFile(int slot, bool openFile, const QString& fileToOpen) {
    m_windows.commands().setLink(slot, openFile, fileToOpen);
}
