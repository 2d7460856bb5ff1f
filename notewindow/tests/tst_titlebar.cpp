#include "notewindow/titlebar.h"
#include "platform/testing/testmain.h"

#include <QFontMetrics>
#include <QTest>

// The title bar at larger fonts: a desktop at 200 % that gives the program large fonts
// instead of a scale factor must still get buttons and indicators it can hit.
class TestTitleBar : public QObject {
    Q_OBJECT
private slots:
    void buttonsGrowWithTheCaption_data();
    void buttonsGrowWithTheCaption();
};

void TestTitleBar::buttonsGrowWithTheCaption_data() {
    QTest::addColumn<double>("points");
    QTest::addColumn<double>("minScale");
    QTest::newRow("design font") << 8.0 << 1.0;
    QTest::newRow("twice the font") << 16.0 << 1.8;
    QTest::newRow("three times the font") << 24.0 << 2.7;
}

void TestTitleBar::buttonsGrowWithTheCaption() {
    QFETCH(double, points);
    QFETCH(double, minScale);
    QWidget window;
    auto* bar = new TitleBar(&window);
    QFont font = TitleBar::captionFont();
    font.setPointSizeF(points);
    bar->setFont(font);
    const int height = TitleBar::heightFor(font);
    bar->setGeometry(0, 0, 400, height);
    window.resize(400, height);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // The caption fits, and everything is as much larger as the bar.
    QVERIFY(height > QFontMetrics(font).height());
    QVERIFY(bar->scale() >= minScale);
    const int button = static_cast<int>(13 * minScale);
    QVERIFY(bar->lblToolBarProp->width() >= static_cast<int>(10 * minScale));
    const QRect actions = bar->fraActionbar->geometry();
    QCOMPARE(actions.right(), bar->width() - 1);
    QRect previous;
    for (ActionLabel* label :
         {bar->lblActionbarAoTop, bar->lblActionbarRoll, bar->lblActionbarHide}) {
        QVERIFY2(label->width() >= button, qPrintable(label->objectName()));
        QCOMPARE(label->height(), height);
        // Side by side inside the action bar, none over another.
        QVERIFY(QRect(QPoint(), actions.size()).contains(label->geometry()));
        QVERIFY(!label->geometry().intersects(previous));
        previous = label->geometry();
    }
    QVERIFY(!bar->lblToolBarProp->geometry().intersects(actions));
}

QB_TEST_CLASS(TestTitleBar)
#include "tst_titlebar.moc"
