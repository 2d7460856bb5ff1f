#pragma once

#include "noterecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// One decoded record: the note's own fields and the window's properties.
struct DecodedRecord {
    NoteRecord record;
    NoteWindowState window;
    std::int16_t recordNumber = 0;
    std::int16_t imageMode = 0;
};

namespace recordcodec {

// Encodes a note into exactly 32530 bytes. The text is cut at 32000 bytes.
[[nodiscard]] QByteArray encode(const NoteRecord& record, const NoteWindowState& window,
                                std::int16_t recordNumber);
// Decodes a record; nullopt when `bytes` is not exactly one record long.
[[nodiscard]] std::optional<DecodedRecord> decode(const QByteArray& bytes);
[[nodiscard]] std::optional<DecodedRecord> decode(QByteArrayView bytes);

} // namespace recordcodec
