#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

// Stored colours: 24-bit RGB with red in the low byte, or 0x80000000 plus the index of a system
// colour (stored as a negative 32-bit value, 0x80000012 = -2147483630 is the button text). A
// system colour takes the desktop's colour for the same role, so notes follow a dark theme.
namespace colors {

inline constexpr quint32 SystemColorFlag = 0x80000000U;

// System colour indices that the program stores.
enum SystemColor : quint8 {
    ScrollBar = 0,
    Desktop = 1,
    ActiveCaption = 2,
    InactiveCaption = 3,
    Menu = 4,
    WindowBackground = 5,
    WindowFrame = 6,
    MenuText = 7,
    WindowText = 8,
    CaptionText = 9,
    ActiveBorder = 10,
    InactiveBorder = 11,
    AppWorkspace = 12,
    Highlight = 13,
    HighlightText = 14,
    ButtonFace = 15,
    ButtonShadow = 16,
    GrayText = 17,
    ButtonText = 18,
    InactiveCaptionText = 19,
    ButtonHighlight = 20,
    DarkShadow = 21,
    Light3D = 22,
    InfoText = 23,
    InfoBackground = 24,
    HotLight = 26,
    GradientActiveCaption = 27,
    GradientInactiveCaption = 28,
    MenuHighlight = 29,
    MenuBar = 30,
};

// The stored value of a system colour: 0x80000000 + index, as the signed value on file.
[[nodiscard]] constexpr qint32 systemColor(SystemColor index) {
    return static_cast<qint32>(SystemColorFlag | index);
}
[[nodiscard]] constexpr bool isSystemColor(qint32 stored) {
    return (static_cast<quint32>(stored) & SystemColorFlag) != 0;
}

// The colour on screen for a stored value, system colours taken from `palette`.
[[nodiscard]] QColor screenColor(qint32 stored, const QPalette& palette);
// The same with the application's palette (the desktop's colours).
[[nodiscard]] QColor screenColor(qint32 stored);
// A colour as stored RGB, red in the low byte.
[[nodiscard]] qint32 storedRgb(const QColor& color);

} // namespace colors
