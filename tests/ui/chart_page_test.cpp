// The "Chart" page: status replies reach the chart and the data report file, what is drawn is the
// envelope of every point, the mouse, the keys and the panel's buttons move the view, the read-out
// and a fitted value axis show a small battery sag, the view is saved as a picture with a title
// and as CSV, a past day's file loads beside the live run, and points arriving fast redraw the
// chart only a few times a second.

#include "core/errors.h"
#include "fakes.h"
#include "hung_run.h"
#include "link/frame_codec.h"
#include "little_endian.h"
#include "model/chart_export.h"
#include "model/data_line.h"
#include "panel_frames.h"
#include "store/report_file.h"
#include "temp_dir.h"
#include "ui/chart_page.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/main_window.h"
#include "ui/voltage_chart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QWheelEvent>
#include <QtTest>

#include <memory>

namespace {

// Counts the paint events a widget gets.
class TPaintCounter : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        Paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// The widget's pixel row of a voltage on the left axis.
int RowOf(const TVoltageChart& chart, double volts) {
    const QRect plot = chart.PlotRect();
    return plot.bottom() - qRound(volts / 30.0 * plot.height());
}

// How many pixels of the row between the plot's edges have the colour (allowing one row off).
int PixelsOfColour(const QImage& image, const QRect& plot, int row, QColor colour) {
    int count = 0;
    for (int x = plot.left() + 1; x < plot.right(); ++x) {
        for (int y = row - 1; y <= row + 1; ++y) {
            if (image.pixelColor(x, y) == colour) {
                ++count;
                break;
            }
        }
    }
    return count;
}

TChartTime Start() {
    return ChartTimeOf(TDateTime{2026, 12, 7, 8, 0, 0, 0});
}

} // namespace

class TChartPageTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        FWindow = std::make_unique<QWidget>();
        FErrors = new TErrorDisplay(FWindow.get());
        FPage = new TChartPage(*FErrors, FWindow.get());
        FWindow->resize(900, 500);
        FPage->resize(900, 500);
        FWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
    }
    void cleanup() { FWindow.reset(); }

    void StatusRepliesReachTheChartAndTheDataReport() {
        TTempDir dir;
        // The window is never shown here; were it shown, these settings keep it off the network.
        WriteFileBytes(dir.Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");
        TReports reports(dir.Path().string(), SystemClock());
        StartReports(reports);
        {
            TForm1 form(dir.Path().string(), &reports);
            TChartPage* page = form.TabSheet3;
            QCOMPARE(form.PageControl1->tabText(form.PageControl1->indexOf(page)), "Chart");
            QCOMPARE(page->Chart1->parentWidget(), page);
            QCOMPARE(page->Panel1->objectName(), QStringLiteral("Panel1"));
            TVoltageChart* chart = page->Chart1;
            QCOMPARE(chart->Series1.Color, QColor(Qt::red));
            QCOMPARE(chart->Series3.Color, QColor(Qt::yellow));
            QVERIFY(chart->Series1.FastLine && !chart->Series2.FastLine && chart->Series3.FastLine);
            QCOMPARE(chart->LeftAxis.Maximum, 30.0);
            QCOMPARE(chart->LeftAxis.LabelFormat, QStringLiteral("##.##  "));
            QCOMPARE(chart->RightAxis.Maximum, 24.0);

            TBytes record(StatusRecordSize, 0);
            PutU16(&record[24], 23456); // VNet
            PutU16(&record[26], 24100); // VDet
            PutU16(&record[28], 13780); // VBat
            for (int i = 0; i < 2; ++i) {
                PutU16(&record[12], static_cast<uint16_t>(987 + i));
                const TBytes datagram = PanelDatagram('A', record);
                form.Codec().ReceiveDatagram(datagram.data(), static_cast<int>(datagram.size()));
            }
            const TChartStore& store = chart->Model().Store();
            QCOMPARE(store.Count(), std::size_t{2});
            const TChartRecord last = *store.FirstFrom(store.LastTime());
            QCOMPARE(last.Values, (TChartValues{23.456f, 13.78f, 24.1f}));
        }
        FinishReports(reports);
        const std::string text = ReadFileBytes(reports.URepData.ReportFileName());
        QVERIFY2(text.find("  ;ID=000000000000;VA= 0987;IA=00000;") != std::string::npos,
                 text.c_str());
        QVERIFY(text.find("  ;ID=000000000000;VA= 0988;") != std::string::npos);
    }

    void WhatIsDrawnIsTheEnvelopeOfEveryPoint() {
        TVoltageChart* chart = FPage->Chart1;
        TChartModel& model = chart->Model();
        // 200000 readings: mains steady at 20 V but for one reading of 29 V, battery at 10 V,
        // lines supply at 24 V.
        for (int i = 0; i < 200000; ++i) {
            model.AddPoint(Start() + i * 100, {i == 123456 ? 29.0f : 20.0f, 10.0f, 24.0f});
        }
        const QImage image = chart->grab().toImage();
        const QRect plot = chart->PlotRect();
        const int width = plot.width() - 1;
        QVERIFY(PixelsOfColour(image, plot, RowOf(*chart, 20), Qt::red) >= width - 2);
        QVERIFY(PixelsOfColour(image, plot, RowOf(*chart, 10), chart->Series2.Color) >= width - 2);
        QVERIFY(PixelsOfColour(image, plot, RowOf(*chart, 24), Qt::yellow) >= width - 2);
        // The one high reading shows, at its place in time.
        const int spike = PixelsOfColour(image, plot, RowOf(*chart, 29), Qt::red);
        QVERIFY2(spike >= 1 && spike <= 3, qPrintable(QString::number(spike)));
        const double share = 123456.0 / 199999.0;
        bool atItsPlace = false;
        for (int x = plot.left() + 1; x < plot.right(); ++x) {
            if (image.pixelColor(x, RowOf(*chart, 29)) == QColor(Qt::red) ||
                image.pixelColor(x, RowOf(*chart, 29) + 1) == QColor(Qt::red)) {
                atItsPlace = qAbs(x - plot.left() - share * plot.width()) <= 2;
            }
        }
        QVERIFY(atItsPlace);
    }

    void MouseAndButtonsMoveThePausedOrFollowingView() {
        TVoltageChart* chart = FPage->Chart1;
        TChartModel& model = chart->Model();
        for (int i = 0; i <= 600; ++i) {
            model.AddPoint(Start() + i * ChartSecond, {20, 13, 24});
        }
        QVERIFY(!FPage->ButtonFollow->isEnabled());
        const QRect plot = chart->PlotRect();
        const QPointF middle(plot.left() + plot.width() / 2.0, plot.center().y());
        const TChartTime anchor = chart->TimeAt(middle.x());
        QWheelEvent wheel(middle, chart->mapToGlobal(middle), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart, &wheel);
        QVERIFY(!model.Following());
        QCOMPARE(model.ViewTo() - model.ViewFrom(), TChartTime{480000});
        QVERIFY(qAbs(chart->TimeAt(middle.x()) - anchor) <= 1000);
        QVERIFY(FPage->ButtonFollow->isEnabled());
        QVERIFY(FPage->LabelView->text().startsWith("From 08:0"));

        // Dragging to the right shows earlier times.
        const TChartTime from = model.ViewFrom();
        QTest::mousePress(chart, Qt::LeftButton, {}, middle.toPoint());
        QTest::mouseMove(chart, middle.toPoint() + QPoint(plot.width() / 4, 0));
        QTest::mouseRelease(chart, Qt::LeftButton, {},
                            middle.toPoint() + QPoint(plot.width() / 4, 0));
        QVERIFY(qAbs(model.ViewFrom() - (from - 120000)) <= 1000);

        FPage->ButtonFollow->click();
        QVERIFY(model.Following());
        QCOMPARE(model.ViewFrom(), Start());
        FPage->ButtonPause->click();
        QVERIFY(model.Paused());
        QCOMPARE(FPage->LabelView->text(), QStringLiteral("Paused; points keep arriving"));
        model.AddPoint(Start() + 601 * ChartSecond, {20, 13, 24});
        QCOMPARE(model.ViewTo(), Start() + 600 * ChartSecond);
        FPage->ButtonPause->click();
        QCOMPARE(model.ViewTo(), Start() + 601 * ChartSecond);
        QVERIFY(!FPage->ButtonFollow->isEnabled());
    }

    void SavesTheViewAsPictureAndCsv() {
        TVoltageChart* chart = FPage->Chart1;
        for (int i = 0; i < 100; ++i) {
            chart->Model().AddPoint(Start() + i * ChartSecond, {20, 13, 24});
        }
        chart->Model().ShowRange(Start() + 10 * ChartSecond, Start() + 19 * ChartSecond);
        TTempDir dir;
        FPage->InstallationId = [] { return QStringLiteral("0123456789AB"); };
        QCOMPARE(
            FPage->PictureTitle(),
            QStringLiteral("Installation 0123456789AB, 08:00:10 07.12.26 to 08:00:19 07.12.26"));
        FPage->SavePicture(dir.File("view.png"));
        const QImage picture(QString::fromStdString(dir.File("view.png")));
        // The chart under a title row.
        QCOMPARE(picture.width(), chart->width());
        QVERIFY(picture.height() > chart->height());
        QCOMPARE(
            picture.copy(0, picture.height() - chart->height(), chart->width(), chart->height()),
            chart->Picture().convertToFormat(picture.format()));
        FPage->SaveCsv(dir.File("view.csv"));
        const std::string csv = ReadFileBytes(dir.File("view.csv"));
        QCOMPARE(std::count(csv.begin(), csv.end(), '\n'), 11L); // header and ten records
        QVERIFY(csv.find("07.12.2026 08:00:10.000;20.000;13.000;24.000\r\n") != std::string::npos);
        QVERIFY_THROWS_EXCEPTION(EInOutError, FPage->SavePicture(dir.File("no/view.png")));
    }

    void KeysAndReadOutShowABatterySagOfFiftyMillivolts() {
        TVoltageChart* chart = FPage->Chart1;
        TChartModel& model = chart->Model();
        // Ten minutes, the battery sagging by 0.05 V for a minute in the middle.
        for (int i = 0; i <= 600; ++i) {
            model.AddPoint(Start() + i * ChartSecond,
                           {23, i >= 300 && i < 360 ? 13.45f : 13.5f, 24});
        }
        chart->setFocus();
        QVERIFY(chart->hasFocus());
        QTest::keyClick(chart, Qt::Key_Plus);
        QVERIFY(!model.Following());
        QCOMPARE(model.ViewTo() - model.ViewFrom(), TChartTime{480000});
        QCOMPARE(model.ViewFrom(), Start() + 60000);
        QTest::keyClick(chart, Qt::Key_Left);
        QCOMPARE(model.ViewFrom(), Start() + 12000);
        QTest::keyClick(chart, Qt::Key_Minus);
        QCOMPARE(model.ViewTo() - model.ViewFrom(), TChartTime{600000});
        QTest::keyClick(chart, Qt::Key_Home);
        QVERIFY(model.Following());
        QCOMPARE(FPage->LabelView->text(), QStringLiteral("Following the newest points"));

        // The read-out: the keyboard's cursor starts in the middle and moves a pixel a key.
        QTest::keyClick(chart, Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(chart->ReadOut().has_value());
        const TChartTime middle = chart->TimeAt(chart->PlotRect().center().x() + 1);
        QCOMPARE(*chart->ReadOut(), middle);
        const TChartRecord nearest = *model.Store().Nearest(middle);
        QCOMPARE(chart->ReadOutText(),
                 QString::fromStdString(ChartExportTimeText(nearest.Time)) +
                     "   Mains 23.000 V   Battery 13.450 V   Lines supply 24.000 V");
        QTest::keyClick(chart, Qt::Key_Escape);
        QVERIFY(chart->ReadOutText().isEmpty());
        // Under the pointer: the time and the values there.
        const QPoint early(qRound(chart->XOf(Start() + 100 * ChartSecond)),
                           chart->PlotRect().center().y());
        QTest::mouseMove(chart, early);
        QVERIFY2(chart->ReadOutText().contains(" 08:01:40.000   Mains 23.000 V   Battery 13.500 V"),
                 qPrintable(chart->ReadOutText()));

        // Fit: with the battery alone, its 50 mV sag fills the plot; Fixed (Alt+X) returns.
        QCOMPARE(chart->ValueAxisRange().Maximum, 30.0);
        chart->Series1.Visible = false;
        chart->Series3.Visible = false;
        QTest::keyClick(chart, Qt::Key_F);
        QVERIFY(FPage->ButtonFit->isChecked() && !FPage->ButtonFixed->isChecked());
        const TChartValueRange fitted = chart->ValueAxisRange();
        // 13.45 to 13.5 V and a twentieth of that, 2.5 mV, above and below.
        QVERIFY2(qAbs(fitted.Minimum - 13.4475) < 2e-4 && qAbs(fitted.Maximum - 13.5025) < 2e-4,
                 qPrintable(QStringLiteral("%1 %2").arg(fitted.Minimum).arg(fitted.Maximum)));
        FWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
        QTest::keyClick(chart, Qt::Key_X, Qt::AltModifier);
        // A mnemonic clicks after an animation.
        QTRY_VERIFY_WITH_TIMEOUT(FPage->ButtonFixed->isChecked(), HungRunMs);
        QCOMPARE(chart->ValueAxisRange().Minimum, 0.0);
        QCOMPARE(chart->ValueAxisRange().Maximum, 30.0);
        // The fixed axis is labelled from zero ("##.##" alone makes nothing of it) to 30.
        const QStringList labels = chart->ValueAxisLabels();
        QVERIFY2(labels.size() > 2 && labels.first().trimmed() == QLatin1String("0") &&
                     labels.last().trimmed() == QLatin1String("30"),
                 qPrintable(labels.join(QLatin1Char('|'))));
    }

    void APastDayLoadsBesideTheLiveRun() {
        TTempDir dir;
        TFakeClock clock;
        clock.Time = At(2026, 12, 6, 10, 0, 0);
        TReportFile report(DataReportKind, dir.Path().string(), clock);
        report.StartReport();
        TMasterBlock master;
        // Over a megabyte: lines cut by the reader's blocks.
        for (int i = 0; i < 4000; ++i) {
            master.VBat = static_cast<uint16_t>(13000 + i % 100);
            report.WriteStampedLine(DataLineText(master));
            clock.Time =
                DateTimeOfChartTime(ChartTimeOf(At(2026, 12, 6, 10, 0, 0)) + (i + 1) * ChartSecond);
        }
        report.WriteStampedLine("no data");
        report.FinishReport();
        FPage->Chart1->Model().AddPoint(Start(), {20, 13, 24});
        FPage->SetReportDirectory(dir.File("ReportData"));
        QCOMPARE(FPage->ComboDay->count(), 1);
        QCOMPARE(FPage->ComboDay->currentText(), QStringLiteral("06.12.2026"));
        FPage->ButtonOpenDay->click();
        QVERIFY(FPage->ProgressDay->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!FPage->DayLoading(), HungRunMs);
        const TChartModel& model = FPage->Chart1->Model();
        QVERIFY(model.PastDay() != nullptr);
        QCOMPARE(model.PastDay()->Count(), std::size_t{4000});
        QCOMPARE(model.Store().Count(), std::size_t{1});
        QCOMPARE(model.ViewFrom(), ChartTimeOf(At(2026, 12, 6, 10, 0, 0)));
        QCOMPARE(
            FPage->LabelDay->text(),
            QStringLiteral("06.12.2026: 4000 points, 1 lines not read (the first is line 4002)"));
        QVERIFY(!FPage->ProgressDay->isVisible());
        FPage->ButtonCloseDay->click();
        QVERIFY(model.PastDay() == nullptr);
    }

    // No line across a gap: Stop (from the window's button), then a panel silent for a minute.
    // A light band lies over each gap, and the read-out there says that no reply came.
    void AGapInTheRepliesIsABandAndNoLine() {
        TTempDir dir;
        WriteFileBytes(dir.Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");
        TForm1 form(dir.Path().string(), nullptr);
        TVoltageChart* chart = form.TabSheet3->Chart1;
        TChartModel& model = chart->Model();
        const TChartValues supply{27.0F, 13.0F, 24.0F};
        for (int i = 0; i < 10; ++i) {
            model.AddPoint(Start() + i * ChartSecond, supply);
        }
        form.TabSheet2->ButtonStop->click();
        QVERIFY(model.Store().Gaps().IsOpen());
        for (int i = 10; i < 20; ++i) { // "Init" at once: the next reply a second later
            model.AddPoint(Start() + i * ChartSecond, supply);
        }
        for (int i = 80; i < 100; ++i) { // a minute of silence
            model.AddPoint(Start() + i * ChartSecond, supply);
        }
        form.PageControl1->setCurrentWidget(form.TabSheet3);
        form.resize(1012, 619);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QImage image = chart->grab().toImage();
        const QRect plot = chart->PlotRect();
        const int row = RowOf(*chart, 27);
        auto red = [&](TChartTime t) {
            const int x = qRound(chart->XOf(t));
            return image.pixelColor(x, row) == QColor(Qt::red) ||
                   image.pixelColor(x, row - 1) == QColor(Qt::red) ||
                   image.pixelColor(x, row + 1) == QColor(Qt::red);
        };
        QVERIFY(red(Start() + 5 * ChartSecond));
        QVERIFY(red(Start() + 90 * ChartSecond));
        QVERIFY(!red(Start() + 50 * ChartSecond));      // in the silence
        QVERIFY(!red(Start() + 9 * ChartSecond + 500)); // across the stop
        const int band = qRound(chart->XOf(Start() + 50 * ChartSecond));
        QCOMPARE_NE(image.pixelColor(band, plot.top() + plot.height() / 3), QColor(Qt::white));
        chart->SetReadOut(Start() + 50 * ChartSecond);
        QVERIFY2(chart->ReadOutText().endsWith(QStringLiteral("no reply")),
                 qPrintable(chart->ReadOutText()));
        chart->SetReadOut(Start() + 90 * ChartSecond);
        QVERIFY(chart->ReadOutText().contains(QStringLiteral("Mains 27.000 V")));

        // "Live" off without a past day: nothing drawn, and nothing read out either.
        form.TabSheet3->CheckLive->click();
        QVERIFY(!chart->LiveShown());
        QCOMPARE(chart->ReadOutText(), QString());
    }

    void PointsArrivingFastRedrawAFewTimesASecondWhileInSight() {
        TVoltageChart* chart = FPage->Chart1;
        TPaintCounter counter;
        chart->installEventFilter(&counter);
        QElapsedTimer clock;
        clock.start();
        int i = 0;
        while (clock.elapsed() < 1500) {
            chart->Model().AddPoint(Start() + i++ * 100, {20, 13, 24});
            QTest::qWait(5);
        }
        const double seconds = clock.elapsed() / 1000.0;
        QVERIFY2(counter.Paints >= 2, qPrintable(QString::number(counter.Paints)));
        QVERIFY2(counter.Paints <= TVoltageChart::RedrawsPerSecond * seconds + 1,
                 qPrintable(QString::number(counter.Paints)));

        // Out of sight (another page in front) its timer sleeps, and wakes when it is shown.
        auto* timer = chart->findChild<QTimer*>(QStringLiteral("RedrawTimer"));
        QVERIFY(timer != nullptr && timer->isActive());
        FPage->hide();
        QVERIFY(!timer->isActive());
        FPage->show();
        QVERIFY(timer->isActive());
    }

private:
    std::unique_ptr<QWidget> FWindow;
    TErrorDisplay* FErrors = nullptr;
    TChartPage* FPage = nullptr;
};

QTEST_MAIN(TChartPageTest)
#include "chart_page_test.moc"
