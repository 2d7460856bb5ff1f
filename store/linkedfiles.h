#pragma once

// Writes a note's text back to its linked file when the note is saved.
class LinkedFiles {
public:
    virtual ~LinkedFiles() = default;
    virtual void WriteLinkedFile(int slot) = 0;
};
