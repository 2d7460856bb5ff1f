#pragma once

#include "alarms/alarmchecker.h"
#include "platform/errors.h"

#include <QString>
#include <optional>

// The small file under $XDG_STATE_HOME/Quillaboard/ that keeps what the minute check needs
// across runs: the time of the last check, the snoozes and the last occurrence that went off
// per note. One file per program folder, so a copy of the program elsewhere (or a folder
// brought from another place) starts without catching anything up. It is not part of the data
// or settings files, whose formats stay as they are.
class AlarmStateFile {
public:
    explicit AlarmStateFile(const QString& programFolder);

    // The per-user state folder: $XDG_STATE_HOME when it is an absolute path, else
    // ~/.local/state. Read from the environment at every call.
    [[nodiscard]] static QString xdgStateHome();

    [[nodiscard]] const QString& path() const { return m_path; }
    // Empty when there is no file or it cannot be read as one: nothing is caught up.
    [[nodiscard]] std::optional<AlarmMemory> load() const;
    // Written whole to a temporary file in the same folder, then renamed over the old one.
    [[nodiscard]] IoError save(const AlarmMemory& memory) const;

private:
    QString m_programFolder;
    QString m_path;
};
