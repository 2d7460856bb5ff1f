#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class DesktopShell;
class MessageSink;
class Translator;
struct ProgramState;
struct Settings;

// Opening the user's mail program from the mail windows. An empty [MailProgram] means the
// desktop's own: the command of its mailto handler is found once and kept in the setting;
// without a handler "mailto:" goes to the desktop. A set command starts with its arguments,
// never through a shell.
class MailProgram {
public:
    // Runs a program and gives its standard output (the mailto handler query).
    using Query = std::function<QString(const QString& program, const QStringList& arguments)>;

    MailProgram(Settings& settings, ProgramState& state, DesktopShell& shell, MessageSink& messages,
                const Translator& tr, Query query = {});

    void open();

    // The command of the desktop's mailto handler, field codes removed; "" without one.
    [[nodiscard]] QString desktopMailCommand() const;
    // The Exec command of a desktop entry file's text, without its field codes.
    [[nodiscard]] static QString execCommand(const QString& desktopEntry);

private:
    Settings& m_settings;
    ProgramState& m_state;
    DesktopShell& m_shell;
    MessageSink& m_messages;
    const Translator& m_tr;
    Query m_query;
};

// "Find Web address" of the message window: the next address in `text` at or after `from`
// (0-based), wrapping to the start once. Returns the start and the end (exclusive) of the
// address, or start -1 when the text holds none.
struct WebAddressMatch {
    qsizetype start = -1;
    qsizetype end = -1;
};
[[nodiscard]] WebAddressMatch FindWebAddress(const QString& text, qsizetype from);
