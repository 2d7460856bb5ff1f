#include "platform/qtdialogs.h"

#include <QColor>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>

QString QtDialogs::openFile(QWidget* owner, const QString& title, const QString& folder,
                            const QString& filter) {
    return QFileDialog::getOpenFileName(owner, title, folder, filter);
}

QString QtDialogs::chooseFolder(QWidget* owner, const QString& prompt) {
    return QFileDialog::getExistingDirectory(owner, prompt);
}

long QtDialogs::chooseColor(QWidget* owner, long initialRgb) {
    // Colours travel as RGB with red in the low byte.
    const QColor initial(static_cast<int>(initialRgb & 0xFF),
                         static_cast<int>((initialRgb >> 8) & 0xFF),
                         static_cast<int>((initialRgb >> 16) & 0xFF));
    const QColor chosen = QColorDialog::getColor(initial, owner);
    if (!chosen.isValid()) {
        return -1;
    }
    return static_cast<long>(chosen.red()) | (static_cast<long>(chosen.green()) << 8) |
           (static_cast<long>(chosen.blue()) << 16);
}

std::optional<QFont> QtDialogs::chooseFont(QWidget* owner, const QFont& initial) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, owner);
    if (!ok) {
        return std::nullopt;
    }
    return font;
}
