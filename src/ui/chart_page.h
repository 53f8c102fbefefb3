#pragma once
// The "Chart" page: the voltage chart Chart1 above the panel Panel1, which holds the view's
// controls: follow the newest points, pause the view, fit the value axis to the data in view or
// keep it fixed, save the view as a PNG picture (with a title: installation and time range) and
// the points in view as a CSV file; and a past day's data report file opened beside the live
// run. What a control raises is shown by the window's error display. Every control has an Alt
// key: N, P, F, X, I, C, D, O, E, L.
//
// A day's file is read on a thread of its own while the window goes on; a progress bar shows
// how far it is, and the points reach the chart at once when it is done. Lines that are not
// data lines are counted and shown, never fatal.

#include "model/chart_day_file.h"
#include "ui/detached_reading.h"

#include <QWidget>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class TErrorDisplay;
class TVoltageChart;

class TChartPage : public QWidget {
    Q_OBJECT
public:
    TChartPage(TErrorDisplay& errors, QWidget* parent = nullptr);
    ~TChartPage() override;

    TVoltageChart* Chart1;
    QWidget* Panel1;
    QPushButton* ButtonFollow;      // "Follow newest"
    QPushButton* ButtonPause;       // "Pause", held down while the view stands still
    QPushButton* ButtonFit;         // "Fit", held down while the value axis fits the data
    QPushButton* ButtonFixed;       // "Fixed", held down while it shows the fixed range
    QPushButton* ButtonSavePicture; // "Save picture..."
    QPushButton* ButtonSaveCsv;     // "Save CSV..."
    QLabel* LabelView;              // what the view shows
    QComboBox* ComboDay;            // the days whose data report files are there
    QPushButton* ButtonOpenDay;     // "Open day"
    QPushButton* ButtonCloseDay;    // "Close day"
    QCheckBox* CheckLive;           // "Live": the live run drawn beside the past day
    QProgressBar* ProgressDay;      // shown while a day is read
    QLabel* LabelDay;               // the day shown, its points and the lines not read

    // The installation answering now (its ID, with name and site), for the picture's title.
    std::function<QString()> InstallationId;

    // Where the data report files lie ("": no past days offered).
    void SetReportDirectory(const std::string& directory);
    // Reads a day's data report file on a thread of its own; its points replace the past day's
    // layer when done, and the view shows that day. A failure goes to the error display.
    void OpenDay(const std::string& path);
    bool DayLoading() const { return FDayReading.Busy(); }

    // The chart as it is on screen, cut to the current visit (TChartModel::VisitView), with a
    // title above it, as a PNG file. Raises EInOutError.
    void SavePicture(const std::string& path);
    QString PictureTitle() const;
    // The points in view, as a CSV file. Raises EInOutError.
    void SaveCsv(const std::string& path);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildPanel();
    void BuildDayRow();
    void ConnectControls();
    void ButtonFollowClick();
    void ButtonPauseClick(bool checked);
    void ButtonFitClick();
    void ButtonFixedClick();
    void CheckLiveClick(bool checked);
    void ButtonSavePictureClick();
    void ButtonSaveCsvClick();
    void ButtonOpenDayClick();
    void ButtonCloseDayClick();
    void FillComboDay();
    void DayLoaded(std::shared_ptr<TChartDayLoad> load, std::exception_ptr failure,
                   const QString& dayText);
    void ShowViewMode();
    QString SuggestedFileName(const QString& extension) const;

    TErrorDisplay& FErrors;
    std::string FReportDirectory;
    TDetachedReading FDayReading{this};              // the day's file being read
    std::shared_ptr<std::atomic<int>> FLoadPermille; // its progress, written by its thread
    QTimer* FProgressTimer;
};
