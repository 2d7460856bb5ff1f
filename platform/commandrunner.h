#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs another program with an argument list (never a shell command line) and waits for it:
// the desktop's own tools that change its settings.
class CommandRunner {
public:
    struct Result {
        bool started = false;
        int exitCode = -1;
        QByteArray output; // standard output
        QByteArray errors; // standard error
        [[nodiscard]] bool ok() const { return started && exitCode == 0; }
    };
    virtual ~CommandRunner() = default;
    // Whether the program is found in the PATH.
    [[nodiscard]] virtual bool exists(const QString& program) const = 0;
    virtual Result run(const QString& program, const QStringList& arguments) = 0;
};

// The real runner: QProcess, at most a few seconds per command so a hanging tool never
// freezes the notes.
class ProcessRunner final : public CommandRunner {
public:
    [[nodiscard]] bool exists(const QString& program) const override;
    Result run(const QString& program, const QStringList& arguments) override;
};
