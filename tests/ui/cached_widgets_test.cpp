// The group box, radio button and check box that keep their looks: each draws what the plain Qt
// widget draws, in every look it is put through, also after a look it drew before comes back.

#include "ui/cached_widgets.h"

#include <QtTest>

#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// True when the two pictures differ nowhere by more than a rounding step of the blending.
bool SamePicture(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return false;
    }
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row);
            const QRgb q = y.pixel(column, row);
            if (std::abs(qRed(p) - qRed(q)) > 2 || std::abs(qGreen(p) - qGreen(q)) > 2 ||
                std::abs(qBlue(p) - qBlue(q)) > 2 || std::abs(qAlpha(p) - qAlpha(q)) > 2) {
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

QTEST_MAIN(TCachedWidgetsTest)
#include "cached_widgets_test.moc"
