// The group box, radio button and check box that keep their looks: each draws what the plain Qt
// widget draws, in every look it is put through, also after a look it drew before comes back.

#include "ui/cached_widgets.h"

#include "hung_run.h"

#include <QtTest>

#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// True when the two pictures differ nowhere by more than `shade` (by default a rounding step of
// the blending).
bool SamePicture(const QImage& a, const QImage& b, int shade = 2) {
    if (a.size() != b.size()) {
        return false;
    }
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row);
            const QRgb q = y.pixel(column, row);
            if (std::abs(qRed(p) - qRed(q)) > shade || std::abs(qGreen(p) - qGreen(q)) > shade ||
                std::abs(qBlue(p) - qBlue(q)) > shade || std::abs(qAlpha(p) - qAlpha(q)) > shade) {
                return false;
            }
        }
    }
    return true;
}

// The plain widget and the keeping one side by side, put through the same steps.
struct TPair {
    QWidget* Plain;
    QWidget* Kept;
};

// Greys the captions as a page with old values does.
void Grey(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, Qt::gray);
    widget->setPalette(palette);
}

} // namespace

class TCachedWidgetsTest : public QObject {
    Q_OBJECT

private:
    // Applies each step to both widgets and compares their pictures after it.
    void Compare(const TPair& pair, const std::vector<std::function<void(QWidget*)>>& steps) {
        pair.Plain->resize(180, 90);
        pair.Kept->resize(180, 90);
        QVERIFY(SamePicture(pair.Plain->grab().toImage(), pair.Kept->grab().toImage()));
        int step = 0;
        for (const auto& apply : steps) {
            ++step;
            apply(pair.Plain);
            apply(pair.Kept);
            QVERIFY2(SamePicture(pair.Plain->grab().toImage(), pair.Kept->grab().toImage()),
                     qPrintable(QStringLiteral("after step %1").arg(step)));
        }
    }

private slots:
    void aRadioButtonShowsEachStateItIsGiven() {
        QRadioButton plain(QStringLiteral("Fault"));
        TRadioButton kept(QStringLiteral("Fault"));
        auto check = [](bool on) {
            return [on](QWidget* w) { static_cast<QAbstractButton*>(w)->setChecked(on); };
        };
        Compare({&plain, &kept},
                {check(true), check(false), check(true), Grey,
                 [](QWidget* w) { static_cast<QAbstractButton*>(w)->setText("Short circuit"); },
                 [](QWidget* w) { w->setEnabled(false); }, check(false),
                 [](QWidget* w) { w->resize(120, 40); }});
    }

    void aCheckBoxShowsEachStateItIsGiven() {
        QCheckBox plain(QStringLiteral("Siren"));
        TCheckBox kept(QStringLiteral("Siren"));
        auto check = [](bool on) {
            return [on](QWidget* w) { static_cast<QAbstractButton*>(w)->setChecked(on); };
        };
        Compare({&plain, &kept}, {check(true), check(false), Grey, check(true), [](QWidget* w) {
                                      QFont font = w->font();
                                      font.setBold(true);
                                      w->setFont(font);
                                  }});
    }

    // Moved to a screen of another scale, each widget draws its looks anew for that screen's
    // pixels, also the looks it kept from the first screen. A look drawn for the old scale shows
    // as blurred or jagged captions, hundreds of pixels far apart; at twice the pixels the group
    // frame's thin translucent line blends a few shades apart through the kept picture, which
    // the eye cannot tell.
    void eachFollowsThePixelRatioOfItsScreen() {
        const QList<QScreen*> screens = QGuiApplication::screens();
        if (screens.size() < 2 ||
            screens[1]->devicePixelRatio() == screens[0]->devicePixelRatio()) {
            QSKIP("needs the offscreen platform's two screens of this test's main");
        }
        QGroupBox plainBox(QStringLiteral("Battery"));
        TGroupBox keptBox(QStringLiteral("Battery"));
        QRadioButton plainRadio(QStringLiteral("Fault"));
        TRadioButton keptRadio(QStringLiteral("Fault"));
        QCheckBox plainCheck(QStringLiteral("Siren"));
        TCheckBox keptCheck(QStringLiteral("Siren"));
        const std::vector<TPair> pairs = {
            {&plainBox, &keptBox}, {&plainRadio, &keptRadio}, {&plainCheck, &keptCheck}};
        for (const TPair& pair : pairs) {
            for (QWidget* w : {pair.Plain, pair.Kept}) {
                w->resize(180, 90);
                w->show();
                QVERIFY(QTest::qWaitForWindowExposed(w));
            }
        }
        for (QScreen* screen : {screens[0], screens[1], screens[0]}) {
            for (const TPair& pair : pairs) {
                for (QWidget* w : {pair.Plain, pair.Kept}) {
                    w->windowHandle()->setScreen(screen);
                }
                QTRY_COMPARE_WITH_TIMEOUT(pair.Kept->devicePixelRatioF(),
                                          screen->devicePixelRatio(), HungRunMs);
                const QImage plain = pair.Plain->grab().toImage();
                QCOMPARE(plain.devicePixelRatio(), screen->devicePixelRatio());
                QVERIFY2(SamePicture(plain, pair.Kept->grab().toImage(), 16),
                         qPrintable(pair.Kept->metaObject()->className() + QStringLiteral(" on ") +
                                    screen->name()));
            }
        }
    }

    void aGroupBoxFollowsItsTitleAndColours() {
        QGroupBox plain(QStringLiteral("Battery"));
        TGroupBox kept(QStringLiteral("Battery"));
        Compare({&plain, &kept},
                {Grey, [](QWidget* w) { static_cast<QGroupBox*>(w)->setTitle("Mains"); },
                 [](QWidget* w) { static_cast<QGroupBox*>(w)->setTitle(QString()); },
                 [](QWidget* w) { w->resize(220, 140); },
                 [](QWidget* w) { static_cast<QGroupBox*>(w)->setCheckable(true); }});
    }
};

// Two offscreen screens side by side, the second of twice the pixels per point.
int main(int argc, char** argv) {
    QTemporaryFile screens;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && screens.open()) {
        screens.write(R"({"screens": [
            {"name": "Plain", "x": 0, "y": 0, "width": 1920, "height": 1080,
             "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
            {"name": "Scaled", "x": 1920, "y": 0, "width": 1920, "height": 1080,
             "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 2}]})");
        screens.flush();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    }
    QApplication app(argc, argv);
    TCachedWidgetsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "cached_widgets_test.moc"
