// The window's icon: the installed one is found from the executable's directory under any prefix,
// one that does not draw is passed over, and a program run from a build takes the source tree's.

#include "temp_dir.h"
#include "ui/window_icon.h"

#include <QtTest>

#include <filesystem>

class TWindowIconTest : public QObject {
    Q_OBJECT

private slots:
    void TheInstalledIconLiesBesideTheProgramsPrefix() {
        QCOMPARE(InstalledIconPath("/usr/bin"),
                 QStringLiteral("/usr/share/icons/hicolor/scalable/apps/orvant2.svg"));
        QCOMPARE(InstalledIconPath("/opt/orvant2/bin"),
                 QStringLiteral("/opt/orvant2/share/icons/hicolor/scalable/apps/orvant2.svg"));
    }

    void TakesTheFirstIconThatDraws() {
        TTempDir dir;
        const std::string installed =
            InstalledIconPath((dir.Path() / "bin").string()).toStdString();
        std::filesystem::create_directories(std::filesystem::path(installed).parent_path());
        WriteFileBytes(installed, ReadFileBytes(ORVANT_SOURCE_ICON));
        const QString broken = QString::fromStdString(dir.File("broken.svg"));
        WriteFileBytes(broken.toStdString(), "<svg");
        const QString missing = QString::fromStdString(dir.File("missing.svg"));

        const QIcon icon = FirstDrawableIcon({missing, broken, QString::fromStdString(installed)});
        QVERIFY(!icon.isNull());
        // Drawn from the SVG at any size the task bar asks for, not a fixed bitmap.
        QCOMPARE(icon.pixmap(QSize(64, 64)).size(), QSize(64, 64));
        QCOMPARE(icon.pixmap(QSize(16, 16)).size(), QSize(16, 16));
        QVERIFY(FirstDrawableIcon({missing, broken}).isNull());
    }

    // This test program lies in the build tree, where nothing is installed beside it.
    void RunFromABuildTheSourceTreesIconIsTaken() {
        QVERIFY(!QFileInfo::exists(
            InstalledIconPath(QCoreApplication::applicationDirPath().toStdString())));
        const QImage shown = ToolIcon().pixmap(QSize(32, 32)).toImage();
        const QImage source =
            QIcon(QStringLiteral(ORVANT_SOURCE_ICON)).pixmap(QSize(32, 32)).toImage();
        QVERIFY(!shown.isNull());
        QCOMPARE(shown, source);
    }
};

QTEST_MAIN(TWindowIconTest)
#include "window_icon_test.moc"
