#pragma once

#include <QDateTime>

// The time as the program sees it; tests use a fixed clock.
class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual QDateTime now() const = 0;
    // Milliseconds on a clock that never jumps backwards.
    [[nodiscard]] virtual qint64 monotonicMs() const = 0;
};

class SystemClock final : public Clock {
public:
    [[nodiscard]] QDateTime now() const override;
    [[nodiscard]] qint64 monotonicMs() const override;
};
