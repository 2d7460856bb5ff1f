#include "recordcodec.h"
#include "recordlayout.h"

#include "platform/textcodec.h"

#include <QtEndian>
#include <cstring>

namespace {

template <typename T>
void put(char* rec, int offset, T value) {
    qToLittleEndian(value, rec + offset);
}

template <typename T>
T get(const char* rec, int offset) {
    return qFromLittleEndian<T>(rec + offset);
}

void putFlag(char* rec, int offset, bool value) {
    put<std::int16_t>(rec, offset, value ? -1 : 0);
}

bool getFlag(const char* rec, int offset) {
    return get<std::int16_t>(rec, offset) != 0;
}

void putText(char* rec, int offset, const QString& text, int width) {
    const QByteArray bytes = textcodec::encodeFixed(text, width);
    std::memcpy(rec + offset, bytes.constData(), static_cast<size_t>(width));
}

// Length of a field without its right-hand padding. The note text is mostly padding, so it is
// skipped a block at a time.
qsizetype paddedLength(const char* data, qsizetype size) {
    constexpr qsizetype Block = 256;
    static const QByteArray blanks(Block, ' ');
    qsizetype end = size;
    while (end >= Block && std::memcmp(data + end - Block, blanks.constData(), Block) == 0)
        end -= Block;
    while (end > 0 && (data[end - 1] == ' ' || data[end - 1] == '\0'))
        --end;
    return end;
}

QString getText(const char* rec, int offset, int width) {
    return textcodec::decodeFixed(QByteArrayView(rec + offset, paddedLength(rec + offset, width)));
}

// The note text on file: CR LF line breaks, at most 32000 bytes, never ending in half a
// line break. A text that fits only with bare LF breaks (a record written elsewhere may hold
// one) is written with those rather than lose its end.
QByteArray encodeNoteText(const QString& text) {
    QString bare = text;
    bare.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QString onFile = bare;
    onFile.replace(u'\n', QStringLiteral("\r\n"));
    QByteArray bytes = textcodec::encode(onFile);
    if (bytes.size() > layout::TextSize) {
        QByteArray bareBytes = textcodec::encode(bare);
        if (bareBytes.size() <= layout::TextSize) {
            onFile = bare;
            bytes = std::move(bareBytes);
        } else {
            bytes = textcodec::encodeCut(onFile, layout::TextSize);
        }
    }
    if (bytes.endsWith('\r') && !onFile.endsWith(u'\r'))
        bytes.chop(1);
    return bytes;
}

} // namespace

namespace recordcodec {

QByteArray encode(const NoteRecord& record, const NoteWindowState& window,
                  std::int16_t recordNumber) {
    QByteArray out(layout::RecordSize, ' ');
    char* rec = out.data();

    put<std::int16_t>(rec, layout::RecordNumber, recordNumber);
    put<double>(rec, layout::Created, record.Created);
    put<double>(rec, layout::Modified, record.Modified);
    putText(rec, layout::Title, record.Title, width::Title);
    put<float>(rec, layout::Left, window.Left);
    put<float>(rec, layout::Top, window.Top);
    put<float>(rec, layout::Height, window.Height);
    put<float>(rec, layout::Width, window.Width);
    put<std::int32_t>(rec, layout::BackColor, window.BackColor);
    put<std::int32_t>(rec, layout::ForeColor, window.ForeColor);
    putText(rec, layout::FontName, window.FontName, width::FontName);
    put<float>(rec, layout::FontSize, window.FontSize);
    putFlag(rec, layout::FontBold, window.FontBold);
    putFlag(rec, layout::FontItalic, window.FontItalic);
    putFlag(rec, layout::FontUnderline, window.FontUnderline);
    putFlag(rec, layout::Visible, window.Visible);
    putFlag(rec, layout::AlwaysOnTop, window.AlwaysOnTop);
    putFlag(rec, layout::ShowTitle, record.ShowTitle);
    putFlag(rec, layout::ShowScrollBar, record.ShowScrollBar);
    putFlag(rec, layout::OpenFile, record.OpenFile);
    putFlag(rec, layout::UpdateFile, record.UpdateFile);
    putText(rec, layout::FiletoOpen, record.FiletoOpen, width::FiletoOpen);
    putFlag(rec, layout::Locked, record.Locked);
    putFlag(rec, layout::Rollup, record.Rollup);
    put<float>(rec, layout::RollHeight, record.RollHeight);
    putFlag(rec, layout::AutoRoll, record.AutoRoll);
    put<std::int16_t>(rec, layout::List, record.List);
    putText(rec, layout::AlarmState, record.AlarmState, 1);
    put<double>(rec, layout::AlarmDate, record.AlarmDate);
    putText(rec, layout::AlarmFreq, record.AlarmFreq, 1);
    put<std::int16_t>(rec, layout::AlarmPrev, record.AlarmPrev);
    putText(rec, layout::AlarmPrevTp, record.AlarmPrevTp, 1);
    putFlag(rec, layout::AlarmPlaySd, record.AlarmPlaySd);
    putText(rec, layout::AlarmSndFil, record.AlarmSndFil, width::SoundFile);
    putFlag(rec, layout::AlarmExecut, record.AlarmExecut);
    putText(rec, layout::AlarmExeFil, record.AlarmExeFil, width::ExeFile);
    putText(rec, layout::ImagePath, record.ImagePath, width::ImagePath);
    put<std::int16_t>(rec, layout::ImageMode,
                      NoteWindowState::imageMode(window.PictureStretched, record.ImageKeepRatio));
    putFlag(rec, layout::PictureShown, window.PictureShown);
    putFlag(rec, layout::AlarmShow, record.AlarmShow);
    putText(rec, layout::AlarmSpecial, record.AlarmSpecial, 1);
    putFlag(rec, layout::AutoDim, record.AutoDim);
    putText(rec, layout::AlarmRemind, record.AlarmRemind, 1);
    // The reserved field and the text's padding are already blank.
    const QByteArray text = encodeNoteText(window.Text);
    std::memcpy(rec + layout::Text, text.constData(), static_cast<size_t>(text.size()));
    return out;
}

std::optional<DecodedRecord> decode(const QByteArray& bytes) {
    return decode(QByteArrayView(bytes));
}

std::optional<DecodedRecord> decode(QByteArrayView bytes) {
    if (bytes.size() != layout::RecordSize)
        return std::nullopt;
    const char* rec = bytes.constData();
    DecodedRecord d;
    NoteRecord& r = d.record;
    NoteWindowState& w = d.window;

    d.recordNumber = get<std::int16_t>(rec, layout::RecordNumber);
    r.Created = get<double>(rec, layout::Created);
    r.Modified = get<double>(rec, layout::Modified);
    r.Title = getText(rec, layout::Title, width::Title);
    w.Left = get<float>(rec, layout::Left);
    w.Top = get<float>(rec, layout::Top);
    w.Height = get<float>(rec, layout::Height);
    w.Width = get<float>(rec, layout::Width);
    w.BackColor = get<std::int32_t>(rec, layout::BackColor);
    w.ForeColor = get<std::int32_t>(rec, layout::ForeColor);
    w.FontName = getText(rec, layout::FontName, width::FontName);
    w.FontSize = get<float>(rec, layout::FontSize);
    w.FontBold = getFlag(rec, layout::FontBold);
    w.FontItalic = getFlag(rec, layout::FontItalic);
    w.FontUnderline = getFlag(rec, layout::FontUnderline);
    w.Visible = getFlag(rec, layout::Visible);
    w.AlwaysOnTop = getFlag(rec, layout::AlwaysOnTop);
    r.ShowTitle = getFlag(rec, layout::ShowTitle);
    r.ShowScrollBar = getFlag(rec, layout::ShowScrollBar);
    r.OpenFile = getFlag(rec, layout::OpenFile);
    r.UpdateFile = getFlag(rec, layout::UpdateFile);
    r.FiletoOpen = getText(rec, layout::FiletoOpen, width::FiletoOpen);
    r.Locked = getFlag(rec, layout::Locked);
    r.Rollup = getFlag(rec, layout::Rollup);
    r.RollHeight = get<float>(rec, layout::RollHeight);
    r.AutoRoll = getFlag(rec, layout::AutoRoll);
    r.List = get<std::int16_t>(rec, layout::List);
    // One-character codes keep their blank: " " is a value of its own.
    r.AlarmState = textcodec::decode(QByteArrayView(rec + layout::AlarmState, 1));
    r.AlarmDate = get<double>(rec, layout::AlarmDate);
    r.AlarmFreq = textcodec::decode(QByteArrayView(rec + layout::AlarmFreq, 1));
    r.AlarmPrev = get<std::int16_t>(rec, layout::AlarmPrev);
    r.AlarmPrevTp = textcodec::decode(QByteArrayView(rec + layout::AlarmPrevTp, 1));
    r.AlarmPlaySd = getFlag(rec, layout::AlarmPlaySd);
    r.AlarmSndFil = getText(rec, layout::AlarmSndFil, width::SoundFile);
    r.AlarmExecut = getFlag(rec, layout::AlarmExecut);
    r.AlarmExeFil = getText(rec, layout::AlarmExeFil, width::ExeFile);
    r.ImagePath = getText(rec, layout::ImagePath, width::ImagePath);
    d.imageMode = get<std::int16_t>(rec, layout::ImageMode);
    w.PictureStretched = d.imageMode != 0;
    r.ImageKeepRatio = d.imageMode == -2;
    w.PictureShown = getFlag(rec, layout::PictureShown);
    r.AlarmShow = getFlag(rec, layout::AlarmShow);
    r.AlarmSpecial = textcodec::decode(QByteArrayView(rec + layout::AlarmSpecial, 1));
    r.AutoDim = getFlag(rec, layout::AutoDim);
    r.AlarmRemind = textcodec::decode(QByteArrayView(rec + layout::AlarmRemind, 1));
    QString text = getText(rec, layout::Text, layout::TextSize);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    w.Text = std::move(text);
    return d;
}

} // namespace recordcodec
