#pragma once

// The notes' linked files as the loader and the save cycles see them.
class LinkedFiles {
public:
    virtual ~LinkedFiles() = default;
    // Reads a loaded note's linked file into its text.
    virtual void ReadLinkedFile(int slot) = 0;
    // Writes a note's text back to its linked file when the note is saved.
    virtual void WriteLinkedFile(int slot) = 0;
    // A save cycle starts: linked files whose last write failed are tried again.
    virtual void retryFailedWrites() {}
    // The notes are loaded anew: what was known of their files belongs to other slots now.
    virtual void forgetAll() {}
};
