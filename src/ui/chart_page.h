#pragma once
// The "Chart" page: the voltage chart Chart1 above the panel Panel1, which holds the view's
// controls: follow the newest points, pause the view, save the view as a PNG picture and the
// points in view as a CSV file. What a control raises is shown by the window's error display.

#include <QWidget>

#include <string>

class QLabel;
class QPushButton;
class TErrorDisplay;
class TVoltageChart;

class TChartPage : public QWidget {
    Q_OBJECT
public:
    TChartPage(TErrorDisplay& errors, QWidget* parent = nullptr);

    TVoltageChart* Chart1;
    QWidget* Panel1;
    QPushButton* ButtonFollow;      // "Follow newest"
    QPushButton* ButtonPause;       // "Pause", held down while the view stands still
    QPushButton* ButtonSavePicture; // "Save picture..."
    QPushButton* ButtonSaveCsv;     // "Save CSV..."
    QLabel* LabelView;              // what the view shows

    // The chart as it is on screen, as a PNG file. Raises EInOutError.
    void SavePicture(const std::string& path);
    // The points in view, as a CSV file. Raises EInOutError.
    void SaveCsv(const std::string& path);

private:
    void BuildPanel();
    void ButtonFollowClick();
    void ButtonPauseClick(bool checked);
    void ButtonSavePictureClick();
    void ButtonSaveCsvClick();
    void ShowViewMode();
    QString SuggestedFileName(const QString& extension) const;

    TErrorDisplay& FErrors;
};
