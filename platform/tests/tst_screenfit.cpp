#include "platform/screenfit.h"
#include "platform/testing/testmain.h"

#include <QTest>

namespace {

// The primary screen with a 30-pixel panel at its bottom, a second one to its right and one
// to its left.
const QRect Primary(0, 0, 1920, 1080);
const QRect PrimaryFree(0, 0, 1920, 1050);
const QRect Right(1920, 0, 1280, 1024);
const QRect Left(-1280, 0, 1280, 1024);

QList<screenfit::Screen> screens(const QList<QRect>& geometries) {
    QList<screenfit::Screen> out;
    for (const QRect& g : geometries)
        out.append({g, g == Primary ? PrimaryFree : g});
    return out;
}

} // namespace

// Where a note goes when the screens it was placed for are gone.
class TestScreenFit : public QObject {
    Q_OBJECT
private slots:
    void bringInside_data();
    void bringInside();
};

void TestScreenFit::bringInside_data() {
    QTest::addColumn<QList<QRect>>("remaining");
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QPoint>("placed");
    const QList<QRect> primary{Primary};
    QTest::newRow("on a remaining screen")
        << primary << QRect(100, 100, 200, 150) << QPoint(100, 100);
    QTest::newRow("half over the edge, still grabbed")
        << primary << QRect(1800, 500, 300, 200) << QPoint(1800, 500);
    QTest::newRow("under the panel, still on the screen")
        << primary << QRect(100, 1040, 200, 150) << QPoint(100, 1040);
    QTest::newRow("on a screen to the left")
        << QList<QRect>{Left, Primary} << QRect(-1000, 100, 200, 150) << QPoint(-1000, 100);
    QTest::newRow("on the removed right screen")
        << primary << QRect(2500, 300, 200, 150) << QPoint(1720, 300);
    QTest::newRow("a sliver shown is not enough")
        << primary << QRect(1910, 100, 200, 150) << QPoint(1720, 100);
    QTest::newRow("a small note needs itself shown")
        << primary << QRect(1915, 100, 10, 10) << QPoint(1910, 100);
    QTest::newRow("below a smaller desktop, above the panel")
        << primary << QRect(100, 1500, 200, 150) << QPoint(100, 900);
    QTest::newRow("above and left") << primary << QRect(-500, -400, 200, 150) << QPoint(0, 0);
    QTest::newRow("nearest of two")
        << QList<QRect>{Primary, Right} << QRect(3500, 200, 200, 150) << QPoint(3000, 200);
    QTest::newRow("bigger than the screen: its top-left on it")
        << primary << QRect(3000, 50, 2500, 1200) << QPoint(0, 0);
    QTest::newRow("no screen known")
        << QList<QRect>{} << QRect(5000, 5000, 200, 150) << QPoint(5000, 5000);
}

void TestScreenFit::bringInside() {
    QFETCH(QList<QRect>, remaining);
    QFETCH(QRect, window);
    QFETCH(QPoint, placed);
    const QRect result = screenfit::bringInside(window, screens(remaining));
    QCOMPARE(result.topLeft(), placed);
    QCOMPARE(result.size(), window.size());
    // Whatever moved is reachable now; whatever was reachable did not move.
    if (!remaining.isEmpty())
        QVERIFY(screenfit::isReachable(result, screens(remaining)));
}

QB_TEST_CLASS(TestScreenFit)
#include "tst_screenfit.moc"
