#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The defaults a new note copies.
struct NoteDefaultsRecord {
    float Left = 0;
    float Top = 0;
    float Height = 0;
    float Width = 0;
    std::int32_t BackColor = 0;
    std::int32_t ForeColor = 0;
    QString FontName;
    float FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;
    bool AlwaysOnTop = false;
    bool ShowTitle = false;
    bool ShowScrollBar = false;
    bool Rollup = false;
    float RollHeight = 0;
    bool AutoRoll = false;
    bool AutoDim = false;
    QString AlarmFreq;
    std::int16_t AlarmPrev = 0;
    QString AlarmPrevTp;
    bool AlarmPlaySd = false;
    QString AlarmSndFil;
    bool AlarmExecut = false;
    QString AlarmExeFil;
    bool AlarmShow = false;
    std::int16_t ImageMode = 0;
};

// Check-box states as stored: 0 clear, 1 ticked, 2 greyed.
enum class Check : int { Clear = 0, Ticked = 1, Greyed = 2 };

// Every setting of the program. The manager's controls are views of these fields; where the
// program "reads a control" it reads the field of the same name.
struct Settings {
    QString Version;
    bool DebugMode = false;
    int chkShowTooltips = 0;
    QString Language = QStringLiteral("_English (native)");
    float posStartupTop = 0;
    float posStartupLeft = 0;
    bool frmStartupVisible = false;
    NoteDefaultsRecord NoteDefaults;
    int chkAutoSave = 0;
    int chkAutoRefresh = 0;
    int chkMoveNotes = 0;
    int chkRandomColor = 0;
    int chkAnimateNote = 0;
    int chkConfirmDelete = 0;
    int cboAutoSaveTime = -1; // selected entry, -1 = none
    int cboAutoRefreshTime = -1;
    int chkCheckConnection = 0;
    int chkCheckMail = 0;
    QString txtMailInterval = QStringLiteral("120");
    QString txtUser;
    QString txtPass;
    QString txtServeurIP;
    QString txtPort;
    int chkMailSilent = 0;
    int chkMailPlaySound = 0;
    QString MailWavFile;
    QString PictureDir;
    int chkNetEnable = 0;
    int chkNetPlaySound = 0;
    QString NetWavFile;
    QString txtAutoDimValue = QStringLiteral("050");
    QString txtPrefixNewNote = QStringLiteral("New note");
    float posSNotifyTop = 0;
    float posSNotifyLeft = 0;
    QString DetMailWindow;
    QString MailDetailWindow;
    int chkMultiScreens = 0;
    QString MailProgram;
    QString NetID;
    // Not stored in the settings file.
    int chkMailWriteLog = 0;
    int chkNetWriteLog = 0;

    [[nodiscard]] static bool ticked(int check) { return check != 0; }
    // The dimming level 0 (transparent) .. 255 (opaque) as the setup field shows it. A text
    // that is no level (below 0, above 255, no number) changes nothing: the last level read
    // from a good text stays, at first the design value 50.
    [[nodiscard]] int autoDimValue() const;
    // Takes a new text for the setup field only when it is a level; false leaves it as it was.
    bool setAutoDimText(const QString& text);
    // The leading integer of a text when it is a level 0..255.
    [[nodiscard]] static std::optional<int> dimLevel(const QString& text);

private:
    mutable int m_lastDimLevel = 50;
};
