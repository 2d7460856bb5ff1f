#include "platform/colors.h"

#include <QGuiApplication>

namespace colors {

QColor screenColor(qint32 stored, const QPalette& palette) {
    const auto value = static_cast<quint32>(stored);
    if (!isSystemColor(stored)) {
        return {static_cast<int>(value & 0xFFU), static_cast<int>((value >> 8) & 0xFFU),
                static_cast<int>((value >> 16) & 0xFFU)};
    }
    switch (value & 0xFFFFFFU) {
    case WindowBackground:
        return palette.color(QPalette::Active, QPalette::Base);
    case WindowText:
    case MenuText:
        return palette.color(QPalette::Active, QPalette::Text);
    case ButtonFace:
    case ScrollBar:
    case ActiveBorder:
    case InactiveBorder:
        return palette.color(QPalette::Active, QPalette::Button);
    case ButtonText:
        return palette.color(QPalette::Active, QPalette::ButtonText);
    case Highlight:
    case ActiveCaption:
    case GradientActiveCaption:
    case MenuHighlight:
        return palette.color(QPalette::Active, QPalette::Highlight);
    case HighlightText:
    case CaptionText:
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case GrayText:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case InactiveCaption:
    case GradientInactiveCaption:
    case AppWorkspace:
        return palette.color(QPalette::Inactive, QPalette::Mid);
    case InactiveCaptionText:
        return palette.color(QPalette::Inactive, QPalette::WindowText);
    case Menu:
    case MenuBar:
    case Desktop:
        return palette.color(QPalette::Active, QPalette::Window);
    case WindowFrame:
        return palette.color(QPalette::Active, QPalette::WindowText);
    case ButtonShadow:
        return palette.color(QPalette::Active, QPalette::Dark);
    case DarkShadow:
        return palette.color(QPalette::Active, QPalette::Shadow);
    case ButtonHighlight:
        return palette.color(QPalette::Active, QPalette::Light);
    case Light3D:
        return palette.color(QPalette::Active, QPalette::Midlight);
    case InfoText:
        return palette.color(QPalette::Active, QPalette::ToolTipText);
    case InfoBackground:
        return palette.color(QPalette::Active, QPalette::ToolTipBase);
    case HotLight:
        return palette.color(QPalette::Active, QPalette::Link);
    default:
        // An index the desktop does not know: its text colour, readable on its background.
        return palette.color(QPalette::Active, QPalette::WindowText);
    }
}

QColor screenColor(qint32 stored) {
    return screenColor(stored, QGuiApplication::palette());
}

qint32 storedRgb(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<qint32>(static_cast<quint32>(rgb.red()) |
                               (static_cast<quint32>(rgb.green()) << 8) |
                               (static_cast<quint32>(rgb.blue()) << 16));
}

} // namespace colors
