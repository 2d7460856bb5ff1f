#include "storetestutil.h"
#include "tst_store.h"

#include "store/recordcodec.h"
#include "store/recordlayout.h"

#include <QTest>
#include <QtEndian>

#include <tuple>
#include <utility>

namespace {

template <typename T>
T at(const QByteArray& rec, int offset) {
    return qFromLittleEndian<T>(rec.constData() + offset);
}

QByteArray field(const QByteArray& rec, int offset, int size) {
    return rec.mid(offset, size);
}

QByteArray padded(const QByteArray& bytes, int width) {
    return bytes + QByteArray(width - bytes.size(), ' ');
}

// A note with a distinct value in every field.
TestNote fullNote() {
    TestNote n = makeNote(QStringLiteral("Shopping"), QStringLiteral("milk\neggs"), 1);
    NoteRecord& r = n.record;
    NoteWindowState& w = n.window;
    r.Created = 45000.25;
    r.Modified = 45001.5;
    r.ShowTitle = false;
    r.ShowScrollBar = true;
    r.Locked = true;
    r.Rollup = true;
    r.RollHeight = 1234.5F;
    r.AutoRoll = true;
    r.AutoDim = true;
    r.OpenFile = true;
    r.UpdateFile = true;
    r.FiletoOpen = QStringLiteral("/home/u/list.txt");
    r.AlarmState = QStringLiteral("E");
    r.AlarmDate = 45100.75;
    r.AlarmFreq = QStringLiteral("3");
    r.AlarmPrev = -15;
    r.AlarmPrevTp = QStringLiteral("M");
    r.AlarmPlaySd = true;
    r.AlarmSndFil = QStringLiteral("ding.wav");
    r.AlarmExecut = true;
    r.AlarmExeFil = QStringLiteral("run.sh");
    r.AlarmShow = false;
    r.AlarmSpecial = QStringLiteral("2");
    r.AlarmRemind = QStringLiteral("-");
    r.ImagePath = QStringLiteral("cat.png");
    r.ImageKeepRatio = true;
    w.Left = -300.5F;
    w.Top = 450;
    w.Width = 4000;
    w.Height = 2000;
    w.BackColor = 0x00C0FFEE;
    w.ForeColor = 0x00123456;
    w.FontName = QStringLiteral("DejaVu Sans");
    w.FontSize = 10.5F;
    w.FontBold = true;
    w.FontItalic = false;
    w.FontUnderline = true;
    w.Visible = false;
    w.AlwaysOnTop = true;
    w.PictureStretched = true;
    w.PictureShown = true;
    return n;
}

} // namespace

void TestStore::fieldsAtTheirOffsets() {
    const TestNote n = fullNote();
    const QByteArray rec = encodeNote(n, 7);
    // Byte positions as the file format fixes them, not the code's own constants.
    QCOMPARE(rec.size(), 32530);

    QCOMPARE(at<std::int16_t>(rec, 0), 7);
    QCOMPARE(at<double>(rec, 2), 45000.25);
    QCOMPARE(at<double>(rec, 10), 45001.5);
    QCOMPARE(at<float>(rec, 68), -300.5F);
    QCOMPARE(at<float>(rec, 72), 450.0F);
    QCOMPARE(at<float>(rec, 76), 2000.0F);
    QCOMPARE(at<float>(rec, 80), 4000.0F);
    QCOMPARE(at<std::int32_t>(rec, 84), 0x00C0FFEE);
    QCOMPARE(at<std::int32_t>(rec, 88), 0x00123456);
    QCOMPARE(at<float>(rec, 124), 10.5F);
    QCOMPARE(at<float>(rec, 278), 1234.5F);
    QCOMPARE(at<double>(rec, 287), 45100.75);
    // Flags are -1 for true; the picture mode at 495 is -2 (stretched, keeping the ratio).
    const std::pair<int, int> shorts[] = {{128, -1}, {130, 0},  {132, -1}, {134, 0},   {136, -1},
                                          {138, 0},  {140, -1}, {142, -1}, {144, -1},  {274, -1},
                                          {276, -1}, {282, -1}, {284, 1},  {296, -15}, {299, -1},
                                          {365, -1}, {495, -2}, {497, -1}, {499, 0},   {502, -1}};
    for (const auto& [offset, value] : shorts)
        QVERIFY2(at<std::int16_t>(rec, offset) == value, qPrintable(QString::number(offset)));
    const std::tuple<int, int, QByteArray> texts[] = {
        {18, 50, "Shopping"},  {92, 32, "DejaVu Sans"}, {146, 128, "/home/u/list.txt"},
        {286, 1, "E"},         {295, 1, "3"},           {298, 1, "M"},
        {301, 64, "ding.wav"}, {367, 64, "run.sh"},     {431, 64, "cat.png"},
        {501, 1, "2"},         {504, 1, "-"},           {505, 25, ""}};
    for (const auto& [offset, width, text] : texts)
        QVERIFY2(field(rec, offset, width) == padded(text, width),
                 qPrintable(QString::number(offset)));
    QCOMPARE(field(rec, 530, 32000), padded("milk\r\neggs", 32000));
}

void TestStore::roundTrip() {
    // Every field is checked at its offset above; decoding and encoding again must give the
    // same bytes, so each field also reads back as written.
    const QByteArray rec = encodeNote(fullNote(), 3);
    const std::optional<DecodedRecord> d = recordcodec::decode(rec);
    QVERIFY(d.has_value());
    QCOMPARE(d->recordNumber, 3);
    QCOMPARE(d->imageMode, -2);
    QCOMPARE(d->window.Text, QStringLiteral("milk\neggs"));
    QCOMPARE(recordcodec::encode(d->record, d->window, 3), rec);
    // A blank one-character code is a value of its own, not an empty text.
    TestNote blank = fullNote();
    blank.record.AlarmState = QStringLiteral(" ");
    blank.record.AlarmSpecial = QStringLiteral(" ");
    blank.record.AlarmRemind = QStringLiteral(" ");
    const std::optional<DecodedRecord> b = recordcodec::decode(encodeNote(blank));
    QVERIFY(b.has_value());
    QCOMPARE(b->record.AlarmState, QStringLiteral(" "));
    QCOMPARE(b->record.AlarmSpecial, QStringLiteral(" "));
    QCOMPARE(b->record.AlarmRemind, QStringLiteral(" "));
}

void TestStore::textsCutAtTheirWidths_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("titleBack");
    QTest::addColumn<QString>("textBack");

    const QString a60(60, u'a');
    QTest::newRow("title of 60") << a60 << QString() << a60.left(50) << QString();
    // The mark takes 3 of the 50 bytes; 15 three-byte characters fill 45 more and the 16th
    // is not split.
    const QString kanji(17, QChar(0x65E5));
    QTest::newRow("title cut on a character") << kanji << QString() << kanji.left(15) << QString();
    const QString longText(32010, u'x');
    QTest::newRow("text of 32010") << QString() << longText << QString() << longText.left(32000);
    // A line break across the cut is dropped whole rather than leaving its CR.
    const QString broken = QString(31999, u'y') + QStringLiteral("\nz");
    QTest::newRow("line break at the cut")
        << QString() << broken << QString() << QString(31999, u'y');
}

void TestStore::textsCutAtTheirWidths() {
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, titleBack);
    QFETCH(QString, textBack);
    const TestNote n = makeNote(title, text);
    const QByteArray rec = encodeNote(n);
    QCOMPARE(rec.size(), layout::RecordSize);
    const std::optional<DecodedRecord> d = recordcodec::decode(rec);
    QVERIFY(d.has_value());
    if (!title.isEmpty())
        QCOMPARE(d->record.Title, titleBack);
    if (!text.isEmpty())
        QCOMPARE(d->window.Text, textBack);
}

void TestStore::pictureMode_data() {
    QTest::addColumn<bool>("stretched");
    QTest::addColumn<bool>("keepRatio");
    QTest::addColumn<int>("stored");
    QTest::newRow("normal") << false << false << 0;
    QTest::newRow("stretched") << true << false << -1;
    QTest::newRow("stretched keeping ratio") << true << true << -2;
    // Keeping the ratio alone is the sum -1, read back as plain stretched.
    QTest::newRow("ratio without stretch") << false << true << -1;
}

void TestStore::pictureMode() {
    QFETCH(bool, stretched);
    QFETCH(bool, keepRatio);
    QFETCH(int, stored);
    TestNote n = makeNote(QStringLiteral("p"), QString());
    n.window.PictureStretched = stretched;
    n.record.ImageKeepRatio = keepRatio;
    const QByteArray rec = encodeNote(n);
    QCOMPARE(int(at<std::int16_t>(rec, layout::ImageMode)), stored);
    const std::optional<DecodedRecord> d = recordcodec::decode(rec);
    QVERIFY(d.has_value());
    QCOMPARE(d->window.PictureStretched, stored != 0);
    QCOMPARE(d->record.ImageKeepRatio, stored == -2);
}

void TestStore::wrongLengthIsNoRecord() {
    const QByteArray rec = encodeNote(makeNote(QStringLiteral("x"), QString()));
    QVERIFY(!recordcodec::decode(rec.left(layout::RecordSize - 1)).has_value());
    QVERIFY(!recordcodec::decode(rec + 'x').has_value());
    QVERIFY(!recordcodec::decode(QByteArray()).has_value());
}
