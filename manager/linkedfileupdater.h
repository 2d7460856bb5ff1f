#pragma once

#include <QString>

// Applies the properties panel's link settings to a note: writes pending changes to the file
// linked so far, stores OpenFile and FiletoOpen, reads the newly linked file and marks the
// note changed.
class LinkedFileUpdater {
public:
    virtual ~LinkedFileUpdater() = default;
    virtual void UpdateLinkedFile(int slot, bool openFile, const QString& fileToOpen) = 0;
};
