#include "platform/linuxdesktop.h"
#include "platform/testing/testmain.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Records every command and answers as told; programs not named in `missing` exist.
class FakeRunner final : public CommandRunner {
public:
    QStringList missing;
    QStringList calls;
    QHash<QString, Result> answers; // by "program first-argument"

    [[nodiscard]] bool exists(const QString& program) const override {
        return !missing.contains(program);
    }
    Result run(const QString& program, const QStringList& arguments) override {
        calls << (QStringList{program} + arguments).join(QLatin1Char(' '));
        if (!exists(program))
            return {};
        return answers.value(program + QLatin1Char(' ') + arguments.value(0),
                             Result{true, 0, {}, {}});
    }
};

const char* const Settings = "mode:\t\trandom\n"
                             "selected:\t-1\n"
                             "programs:\t\t\t\t\t\t\t      \\\n"
                             "\t\t\t\tmaze -root\t\t\t    \\n\\\n"
                             "  GL: \t\t\t\tsuperquadrics -root\t\t    \\n\\\n"
                             "-\t\t\t\txflame -root\t\t\t    \\n\\\n"
                             "  \"Qix (solid)\" \tqix -root -solid\t\t    \\n\\\n"
                             "\n"
                             "pointerPollTime: 0:00:05\n";

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void wallpaperPerDesktop_data();
    void wallpaperPerDesktop();
    void xscreensaverList();
};

void TestDesktop::wallpaperPerDesktop_data() {
    const auto S = [](const char* text) { return QString::fromUtf8(text); };
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<QString>("xfceList");
    QTest::addColumn<QStringList>("expected"); // "%1" stands for the file, "%2" for its address
    QTest::addColumn<bool>("offered");
    const QString set = QStringLiteral("gsettings set org.gnome.desktop.background ");
    QTest::newRow("GNOME, light and dark")
        << S("ubuntu:GNOME") << QStringList{} << QString()
        << QStringList{set + S("picture-uri %2"),
                       S("gsettings writable org.gnome.desktop.background picture-uri-dark"),
                       set + S("picture-uri-dark %2")}
        << true;
    QTest::newRow("Budgie is GNOME's")
        << S("Budgie:GNOME") << QStringList{} << QString()
        << QStringList{set + S("picture-uri %2"),
                       S("gsettings writable org.gnome.desktop.background picture-uri-dark"),
                       set + S("picture-uri-dark %2")}
        << true;
    QTest::newRow("Cinnamon")
        << S("X-Cinnamon") << QStringList{} << QString()
        << QStringList{S("gsettings set org.cinnamon.desktop.background picture-uri %2")} << true;
    QTest::newRow("MATE") << S("MATE") << QStringList{} << QString()
                          << QStringList{S("gsettings set org.mate.background picture-filename %1")}
                          << true;
    const QString monitors = S("/backdrop/screen0/monitor0/workspace0/last-image\n"
                               "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
                               "/backdrop/single-workspace-mode\n");
    QTest::newRow("Xfce, every monitor")
        << S("XFCE") << QStringList{} << monitors
        << QStringList{S("xfconf-query -c xfce4-desktop -l"),
                       S("xfconf-query -c xfce4-desktop -p "
                         "/backdrop/screen0/monitor0/workspace0/last-image -s %1"),
                       S("xfconf-query -c xfce4-desktop -p "
                         "/backdrop/screen0/monitorHDMI-1/workspace0/last-image -s %1")}
        << true;
    QTest::newRow("bare window manager: feh")
        << S("") << QStringList{} << QString() << QStringList{S("feh --no-fehbg --bg-fill %1")}
        << true;
    QTest::newRow("bare window manager: xwallpaper")
        << S("i3") << QStringList{S("feh")} << QString() << QStringList{S("xwallpaper --zoom %1")}
        << true;
    QTest::newRow("nothing to set it with")
        << S("i3") << QStringList{S("feh"), S("xwallpaper")} << QString() << QStringList{} << false;
}

void TestDesktop::wallpaperPerDesktop() {
    QFETCH(QString, desktop);
    QFETCH(QStringList, missing);
    QFETCH(QString, xfceList);
    QFETCH(QStringList, expected);
    QFETCH(bool, offered);
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("sea.jpg"));
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(picture, "JPG"));

    FakeRunner runner;
    runner.missing = missing;
    runner.answers.insert(QStringLiteral("xfconf-query -c"), {true, 0, xfceList.toUtf8(), {}});
    const QString folder = dir.filePath(QStringLiteral("private/"));
    LinuxDesktop linux(runner, desktop, dir.path(), folder);
    const QString file = linux.wallpaperFile();
    const Desktop::Result result = linux.setWallpaper(picture);

    QStringList wanted;
    for (const QString& line : expected)
        wanted << QString(line)
                      .replace(QLatin1String("%1"), file)
                      .replace(QLatin1String("%2"),
                               QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded));
    QCOMPARE(runner.calls, wanted);
    QCOMPARE(result.done(), offered);
    QCOMPARE(result.status == Desktop::Result::Status::NotOffered, !offered);
    // The converted picture is kept only while it is the wallpaper; the next change takes the
    // other name, so the desktop sees a new address.
    QCOMPARE(QImage(file).isNull(), !offered);
    if (offered) {
        const QString next = linux.wallpaperFile();
        QVERIFY(next != file);
        QVERIFY(linux.setWallpaper(picture).done());
        QVERIFY(!QFile::exists(file));
        QVERIFY(QFile::exists(next));
    }
}

void TestDesktop::xscreensaverList() {
    const QString settings = QString::fromUtf8(Settings);
    const QList<xscreensaver::Entry> entries = xscreensaver::programs(settings);
    QStringList names;
    QList<int> indexes;
    for (const auto& e : entries) {
        names << e.name;
        indexes << e.index;
    }
    // The disabled one is not offered, but counts in the list's numbering.
    QCOMPARE(names, (QStringList{QStringLiteral("maze"), QStringLiteral("superquadrics"),
                                 QStringLiteral("Qix (solid)")}));
    QCOMPARE(indexes, (QList<int>{0, 1, 3}));
    const QString chosen = xscreensaver::select(settings, 3);
    QVERIFY(chosen.contains(QLatin1String("mode:\t\tone\nselected:\t3\nprograms:")));
    QVERIFY(chosen.endsWith(QLatin1String("pointerPollTime: 0:00:05\n")));

    // Through the desktop: the file is rewritten in place; without xscreensaver there is no
    // choice at all.
    QTemporaryDir home;
    QFile file(home.filePath(QStringLiteral(".xscreensaver")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Settings);
    file.close();
    FakeRunner runner;
    LinuxDesktop linux(runner, QStringLiteral("i3"), home.path(), home.path() + QLatin1Char('/'));
    QCOMPARE(linux.screensavers().size(), 3);
    QVERIFY(linux.setScreensaver(2).done());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("selected:\t3"));
    runner.missing << QStringLiteral("xscreensaver");
    QVERIFY(linux.screensavers().isEmpty());
}

QB_TEST_CLASS(TestDesktop)
#include "tst_desktop.moc"
