#include "platform/windowops.h"

#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>

namespace windowops {

namespace {
// Set on a window while its show/hide animation runs, so that the window does not take
// the animated sizes for the user's.
const char* const AnimatingProperty = "qb_animating";
} // namespace

void SetTopmost(QWidget* window, int onTop) {
    if (window == nullptr) {
        return;
    }
    if (onTop == -1 || onTop == 0) {
        const bool want = onTop == -1;
        if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != want) {
            // Changing a flag hides the window; show it again where it was without taking the
            // focus from whatever has it.
            const bool wasVisible = window->isVisible();
            const QPoint pos = window->pos();
            const bool hadNoActivate = window->testAttribute(Qt::WA_ShowWithoutActivating);
            window->setWindowFlag(Qt::WindowStaysOnTopHint, want);
            if (wasVisible) {
                window->setAttribute(Qt::WA_ShowWithoutActivating, true);
                window->move(pos);
                window->show();
                window->setAttribute(Qt::WA_ShowWithoutActivating, hadNoActivate);
            }
        }
    }
    if (window->isVisible()) {
        window->raise();
    }
}

int SetTranslucency(QWidget* window, int level) {
    if (level < 0 || level > 255) {
        return 1;
    }
    if (window == nullptr) {
        return 2;
    }
    window->setWindowOpacity(level / 255.0);
    return 0;
}

int ClearTranslucency(QWidget* window) {
    if (window == nullptr) {
        return 2;
    }
    window->setWindowOpacity(1.0);
    return 0;
}

void AnimateNote(QWidget* window, bool hiding) {
    if (window == nullptr) {
        return;
    }
    const QRect full = window->geometry();
    const QRect centre(full.center(), QSize(1, 1));
    auto* animation = new QPropertyAnimation(window, "geometry", window);
    animation->setDuration(200);
    animation->setStartValue(hiding ? full : centre);
    animation->setEndValue(hiding ? centre : full);
    window->setProperty(AnimatingProperty, true);
    if (!hiding) {
        window->setGeometry(centre);
        window->show();
    }
    QPointer<QWidget> guarded(window);
    QObject::connect(animation, &QPropertyAnimation::finished, window, [guarded, full, hiding] {
        if (guarded.isNull()) {
            return;
        }
        if (hiding) {
            guarded->hide();
        }
        guarded->setGeometry(full);
        guarded->setProperty(AnimatingProperty, false);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace windowops
