#include "fakes.h"

int FakeMessageSink::Message_box(const QString& text, const QString& title,
                                 const MessageBoxOptions& options) {
    shown.append(Shown{text, title, options});
    const bool blocks = !(options.blocking == 0 && options.buttons < 1);
    if (!blocks)
        return 0;
    return answers.isEmpty() ? 0 : answers.dequeue();
}

void FakeClock::advanceMs(qint64 ms) {
    monotonic += ms;
    current = current.addMSecs(ms);
}

void FakeDiagnosticLog::WriteLog(const QString& fileName, const QString& line) {
    lines.append(Line{fileName, line});
}

QString FakeDialogs::openFile(QWidget*, const QString& title, const QString&, const QString&) {
    titles.append(title);
    return files.isEmpty() ? QString() : files.dequeue();
}

QString FakeDialogs::chooseFolder(QWidget*, const QString&) {
    return folders.isEmpty() ? QString() : folders.dequeue();
}

long FakeDialogs::chooseColor(QWidget*, long) {
    return colors.isEmpty() ? -1 : colors.dequeue();
}

std::optional<QFont> FakeDialogs::chooseFont(QWidget*, const QFont&) {
    return fonts.isEmpty() ? std::nullopt : fonts.dequeue();
}

bool FakeDesktopShell::open(const QString& target) {
    opened.append(target);
    return !fails;
}

bool FakeDesktopShell::startProgram(const QString& program, const QStringList& arguments) {
    started.append(program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
    return !fails;
}
