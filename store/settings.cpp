#include "settings.h"
#include "noterecord.h"

std::optional<int> Settings::dimLevel(const QString& text) {
    // The leading integer of the text, as the setup field's value reads it ("050" is 50).
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed.at(i) == u'-' || trimmed.at(i) == u'+')) {
        negative = trimmed.at(i) == u'-';
        ++i;
    }
    const qsizetype digits = i;
    long long value = 0;
    for (; i < trimmed.size() && trimmed.at(i).isDigit() && trimmed.at(i).unicode() < 128; ++i) {
        value = value * 10 + (trimmed.at(i).unicode() - u'0');
        if (value > 255)
            return std::nullopt; // also stops overflow on long input
    }
    if (i == digits || (negative && value != 0))
        return std::nullopt;
    return static_cast<int>(value);
}

int Settings::autoDimValue() const {
    // A level outside 0..255 or no number at all changes nothing: the last good level stays.
    if (const auto level = dimLevel(txtAutoDimValue))
        m_lastDimLevel = *level;
    return m_lastDimLevel;
}

bool Settings::setAutoDimText(const QString& text) {
    const auto level = dimLevel(text);
    if (!level)
        return false;
    txtAutoDimValue = text;
    m_lastDimLevel = *level;
    return true;
}

bool NoteRecord::hasPendingChange() const {
    return ChangeMark == mark::Created || ChangeMark == mark::Modified ||
           ChangeMark == mark::ModifiedContent;
}
