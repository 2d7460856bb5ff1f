#include "mail/windowplacement.h"

#include "platform/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

namespace windowplacement {

namespace {

QString textOf(const QRect& px) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(twips::fromPx(px.x()))
        .arg(twips::fromPx(px.y()))
        .arg(twips::fromPx(px.width()))
        .arg(twips::fromPx(px.height()));
}

} // namespace

bool place(QWidget* window, QString& stored) {
    const QStringList parts = stored.split(QLatin1Char(','));
    QRect wanted;
    if (parts.size() == 4) {
        bool ok[4] = {};
        const double values[4] = {
            parts[0].trimmed().toDouble(&ok[0]), parts[1].trimmed().toDouble(&ok[1]),
            parts[2].trimmed().toDouble(&ok[2]), parts[3].trimmed().toDouble(&ok[3])};
        if (ok[0] && ok[1] && ok[2] && ok[3])
            wanted = QRect(twips::toPx(values[0]), twips::toPx(values[1]), twips::toPx(values[2]),
                           twips::toPx(values[3]));
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const bool usable =
        wanted.width() > 0 && wanted.height() > 0 && desktop.contains(wanted.topLeft());
    if (usable) {
        window->resize(wanted.size());
        window->move(wanted.topLeft());
        return false;
    }
    const QSize size = window->size();
    window->move((desktop.width() - size.width()) / 2, (desktop.height() - size.height()) / 2);
    const QString text = textOf(QRect(window->pos(), size));
    const bool changed = text != stored;
    stored = text;
    return changed;
}

bool store(const QWidget* window, QString& stored) {
    if (window->isMinimized())
        return false;
    const QString text = textOf(QRect(window->pos(), window->size()));
    if (text == stored)
        return false;
    stored = text;
    return true;
}

} // namespace windowplacement
