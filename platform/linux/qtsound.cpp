#include "platform/qtsound.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

QtSound::QtSound() = default;
QtSound::~QtSound() = default;

bool QtSound::available() const {
    return !QMediaDevices::audioOutputs().isEmpty();
}

bool QtSound::play(const QString& path) {
    stop();
    if (!available() || !QFileInfo(path).isReadable())
        return false;
    // The player is made on first use: the media back end costs start-up time that a program
    // without sounds never needs to pay.
    if (!m_player) {
        m_output = std::make_unique<QAudioOutput>();
        m_player = std::make_unique<QMediaPlayer>();
        m_player->setAudioOutput(m_output.get());
    }
    m_player->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    m_player->play();
    return true;
}

void QtSound::stop() {
    if (m_player)
        m_player->stop();
}
