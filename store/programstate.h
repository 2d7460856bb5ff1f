#pragma once

#include <QString>

// Program-wide values shared by the manager and the note windows. The Program object owns
// the one instance and hands it to whoever needs it.
struct ProgramState {
    int CurrentNote = -1;
    int CurrentList = 0;
    QString CurrentPanel = QStringLiteral("liste");
    bool SettingsChanged = false;
    // A properties request from a note had to show the hidden manager first.
    bool ShownForProperties = false;
    bool DeleteSentNote = false;
    // Set while a note window's resize layout may run.
    bool LayoutEnabled = true;
    // Time stamp of the last automatic unroll (date serial + seconds, single precision).
    float LastAutoUnroll = 0;
    // The selected text when a note menu last opened with a selection.
    QString LinkText;
};
