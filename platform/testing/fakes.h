#pragma once

#include "platform/clock.h"
#include "platform/desktopshell.h"
#include "platform/diagnosticlog.h"
#include "platform/dialogs.h"
#include "platform/messagesink.h"
#include "platform/sound.h"

#include <QList>
#include <QQueue>

// Test doubles for the facilities that reach outside the process.

class FakeMessageSink final : public MessageSink {
public:
    struct Shown {
        QString text;
        QString title;
        MessageBoxOptions options;
    };
    QList<Shown> shown;
    // Answers for boxes that ask; 0 ("Yes") when the queue is empty.
    QQueue<int> answers;

    int Message_box(const QString& text, const QString& title,
                    const MessageBoxOptions& options) override;
    [[nodiscard]] int count() const { return static_cast<int>(shown.size()); }
};

class FakeClock final : public Clock {
public:
    QDateTime current = QDateTime(QDate(2024, 3, 15), QTime(10, 30, 0));
    qint64 monotonic = 1'000'000;

    [[nodiscard]] QDateTime now() const override { return current; }
    [[nodiscard]] qint64 monotonicMs() const override { return monotonic; }
    void advanceMs(qint64 ms);
};

class FakeDiagnosticLog final : public DiagnosticLog {
public:
    struct Line {
        QString fileName;
        QString line;
    };
    QList<Line> lines;
    void WriteLog(const QString& fileName, const QString& line) override;
};

class FakeDialogs final : public Dialogs {
public:
    QQueue<QString> files;
    QQueue<QString> folders;
    QQueue<long> colors;
    QQueue<std::optional<QFont>> fonts;
    QStringList titles; // titles of the file dialogs shown

    QString openFile(QWidget* owner, const QString& title, const QString& folder,
                     const QString& filter) override;
    QString chooseFolder(QWidget* owner, const QString& prompt) override;
    long chooseColor(QWidget* owner, long initialRgb) override;
    std::optional<QFont> chooseFont(QWidget* owner, const QFont& initial) override;
};

class FakeDesktopShell final : public DesktopShell {
public:
    QStringList opened;
    QStringList started;
    bool printer = false;
    // Opening and starting fail, as for a program that cannot be started.
    bool fails = false;

    bool open(const QString& target) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    bool hasDefaultPrinter() override { return printer; }
};

class FakeSound final : public Sound {
public:
    bool device = true;
    QStringList played;
    int stops = 0;

    [[nodiscard]] bool available() const override { return device; }
    bool play(const QString& path) override {
        ++stops;
        if (!device)
            return false;
        played << path;
        return true;
    }
    void stop() override { ++stops; }
};
