#pragma once

#include <QString>
#include <cstdint>

// Change marks, exactly as stored (8 characters).
namespace mark {
inline const QString Blank = QStringLiteral("        ");
inline const QString Created = QStringLiteral("created ");
inline const QString Modified = QStringLiteral("modified");
inline const QString ModifiedContent = QStringLiteral("MODIFIED");
inline const QString Deleted = QStringLiteral("deleted ");
} // namespace mark

// Field widths of the fixed-length texts, in characters in memory and bytes on file.
namespace width {
inline constexpr int ChangeMark = 8;
inline constexpr int Title = 50;
inline constexpr int FiletoOpen = 128;
inline constexpr int SoundFile = 64;
inline constexpr int ExeFile = 64;
inline constexpr int ImagePath = 64;
inline constexpr int FontName = 32;
inline constexpr int Text = 32000;
} // namespace width

// One note. Texts are kept without padding; setters cut them to their widths.
struct NoteRecord {
    QString ChangeMark = mark::Blank;
    std::int16_t List = 0;
    QString Title;
    bool ShowTitle = true;
    bool ShowScrollBar = false;
    bool Locked = false;
    bool Rollup = false;
    float RollHeight = 0;
    bool AutoRoll = false;
    bool AutoDim = false;
    bool OpenFile = false;
    bool UpdateFile = false;
    QString FiletoOpen;
    double Created = 0;
    double Modified = 0;
    QString AlarmState = QStringLiteral(" ");
    double AlarmDate = 0;
    QString AlarmFreq = QStringLiteral("U");
    std::int16_t AlarmPrev = 0;
    QString AlarmPrevTp = QStringLiteral("J");
    bool AlarmPlaySd = false;
    QString AlarmSndFil;
    bool AlarmExecut = false;
    QString AlarmExeFil;
    bool AlarmShow = true;
    QString AlarmSpecial = QStringLiteral(" ");
    QString AlarmRemind = QStringLiteral(" ");
    QString ImagePath;
    bool ImageKeepRatio = false;

    void setTitle(const QString& title) { Title = title.left(width::Title); }
    [[nodiscard]] QString trimmedTitle() const { return Title.trimmed(); }
    [[nodiscard]] bool isDeleted() const { return ChangeMark == mark::Deleted; }
    // "created ", "modified" or "MODIFIED": something the saver must write.
    [[nodiscard]] bool hasPendingChange() const;
};

// Note properties the note window keeps (geometry in twips). The window keeps this current
// while the user moves, resizes and types; the loader fills it and the saver reads it, so
// neither needs a window.
struct NoteWindowState {
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;
    std::int32_t BackColor = 0x00FFFF; // RGB, red in the low byte
    std::int32_t ForeColor = 0;
    QString FontName = QStringLiteral("Arial");
    float FontSize = 12;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;
    QString Text; // line breaks as "\n" in memory, CR LF on file
    bool Visible = true;
    bool AlwaysOnTop = false;
    bool PictureStretched = false;
    bool PictureShown = false;
    // A removed note's window is switched off until the next full save drops it.
    bool Live = true;
    // Not empty: the text cannot be edited, and this says why (a linked file shown in part).
    QString ReadOnlyReason;

    // The stored picture mode: stretch flag plus keep-ratio flag, each -1 or 0.
    [[nodiscard]] static std::int16_t imageMode(bool stretched, bool keepRatio) {
        return static_cast<std::int16_t>((stretched ? -1 : 0) + (keepRatio ? -1 : 0));
    }
};
