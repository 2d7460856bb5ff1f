#pragma once

#include <QString>

// What the selected text of a note offers in the note menu.
struct DetectedLinks {
    // The selection without surrounding line breaks and blanks.
    QString linkText;
    bool web = false;
    bool mail = false;
    bool file = false;
    bool folder = false;

    [[nodiscard]] bool any() const { return web || mail || file || folder; }
};

// Web addresses ("www.", "http://", "https://", case-sensitive), mail addresses ("x@y.z")
// and paths: drive paths ("C:\...") and, on this system, absolute paths ("/..." or "~/...")
// naming an existing file or folder. An empty selection offers nothing.
[[nodiscard]] DetectedLinks detectLinks(const QString& selection);
