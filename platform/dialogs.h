#pragma once

#include <QFont>
#include <QString>
#include <optional>

class QWidget;

// The toolkit's common dialogs; tests replace them.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Empty when cancelled.
    virtual QString openFile(QWidget* owner, const QString& title, const QString& folder,
                             const QString& filter) = 0;
    virtual QString chooseFolder(QWidget* owner, const QString& prompt) = 0;
    // An RGB colour (red in the low byte), or -1 when cancelled.
    virtual long chooseColor(QWidget* owner, long initialRgb) = 0;
    virtual std::optional<QFont> chooseFont(QWidget* owner, const QFont& initial) = 0;
};
