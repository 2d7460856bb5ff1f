#pragma once

#include "platform/sound.h"

#include <memory>

class QMediaPlayer;
class QAudioOutput;

// Sound through Qt Multimedia: WAV and whatever else the media back end decodes.
class QtSound final : public Sound {
public:
    QtSound();
    ~QtSound() override;
    [[nodiscard]] bool available() const override;
    bool play(const QString& path) override;
    void stop() override;

private:
    std::unique_ptr<QAudioOutput> m_output;
    std::unique_ptr<QMediaPlayer> m_player;
};
