#pragma once

#include <QPushButton>
#include <QString>

// A push button of the manager's panels, named as the program refers to it.
inline QPushButton* button(QWidget* parent, const char* name, const QString& caption,
                           const QString& tip = {}) {
    auto* push = new QPushButton(caption, parent);
    push->setObjectName(QLatin1String(name));
    push->setToolTip(tip);
    return push;
}
