#include "settings.h"
#include "noterecord.h"

#include <algorithm>

int Settings::autoDimValue() const {
    // The leading integer of the text, as the setup field's value reads it ("050" is 50).
    const QString text = txtAutoDimValue.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128; ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > 255)
            break; // clamped anyway; stops overflow on long input
    }
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<long long>(value, 0, 255));
}

bool NoteRecord::hasPendingChange() const {
    return ChangeMark == mark::Created || ChangeMark == mark::Modified ||
           ChangeMark == mark::ModifiedContent;
}
