#pragma once

#include <QString>

// Playing a short sound file (alarms, arriving notes). A machine without an audio output plays
// nothing and reports no error: the sound is a courtesy, never a failure.
class Sound {
public:
    virtual ~Sound() = default;
    // Whether an audio output exists.
    [[nodiscard]] virtual bool available() const = 0;
    // Stops what is playing and plays the file once, asynchronously. False when there is no
    // audio output or the file cannot be read.
    virtual bool play(const QString& path) = 0;
    virtual void stop() = 0;
};
