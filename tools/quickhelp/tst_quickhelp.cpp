#include "platform/testing/testmain.h"
#include "store/recordcodec.h"
#include "store/recordlayout.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

// The help notes as the build writes them.
class TestQuickHelp : public QObject {
    Q_OBJECT

private slots:
    void everyNoteShowsItsOwnPicture() {
        QTemporaryDir out;
        QVERIFY(out.isValid());
        QProcess tool;
        tool.start(QStringLiteral(QB_MAKEQUICKHELP), {out.path()});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QFile file(out.filePath(QStringLiteral("Quillaboard.new")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), 2 * layout::RecordSize);
        QStringList pictures;
        QList<QImage> images;
        for (int i = 0; i < 2; ++i) {
            const auto note =
                recordcodec::decode(bytes.mid(i * layout::RecordSize, layout::RecordSize));
            QVERIFY(note);
            QCOMPARE(note->record.Title, QStringLiteral("Quick help %1").arg(i + 1));
            pictures << note->record.ImagePath;
            images << QImage(out.filePath(note->record.ImagePath));
            QVERIFY(!images.last().isNull());
        }
        // Each picture carries its own note's title in the drawn title bar.
        QVERIFY(pictures.at(0) != pictures.at(1));
        QVERIFY(images.at(0) != images.at(1));
    }
};

QB_TEST_CLASS(TestQuickHelp)
QB_TEST_GUILESS_MAIN
#include "tst_quickhelp.moc"
