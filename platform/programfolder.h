#pragma once

#include <QString>

// The folder of the executable, always with a trailing '/'. Every file of the program lives
// there; a stored path without a directory separator names a file in it.
class ProgramFolder {
public:
    explicit ProgramFolder(const QString& folder);
    static ProgramFolder ofExecutable();

    [[nodiscard]] const QString& path() const { return m_path; }
    [[nodiscard]] QString file(const QString& name) const { return m_path + name; }
    // A bare name means the program folder; anything with a separator stands as it is.
    [[nodiscard]] QString resolve(const QString& stored) const;
    // The bare file name when `path` lies directly in the program folder, else `path`.
    [[nodiscard]] QString storedForm(const QString& path) const;

    // "~/" stands for the home folder; any other path is returned as it is.
    [[nodiscard]] static QString expandHome(const QString& path);
    // '/' or '\' anywhere in the text.
    [[nodiscard]] static bool hasSeparator(const QString& path);
    // The text up to and including the last separator; empty when there is none.
    [[nodiscard]] static QString folderPart(const QString& path);

private:
    QString m_path;
};
