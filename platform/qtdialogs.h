#pragma once

#include "platform/dialogs.h"

// The toolkit's own file, folder, font and colour dialogs.
class QtDialogs final : public Dialogs {
public:
    QString openFile(QWidget* owner, const QString& title, const QString& folder,
                     const QString& filter) override;
    QString chooseFolder(QWidget* owner, const QString& prompt) override;
    long chooseColor(QWidget* owner, long initialRgb) override;
    std::optional<QFont> chooseFont(QWidget* owner, const QFont& initial) override;
};
