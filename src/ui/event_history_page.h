#pragma once
// The "Events" page: every record the tool ever copied, read from the event report files of
// all days, newest first, and every line the event report receives from now on. Filters on the
// installation (its master's and its slaves' records), the device number ("Zar"), the category,
// the time (presets beside a range whose greyed fields show the preset's real range) and a free
// text (Ctrl+F); counts per event code of what is shown; sort by any column; a legend of the
// categories' colours; export of what is shown as CSV. Lines of the files that do not read are
// listed under the table with file and line number. A selected row stays where it is on the
// screen while live records arrive above it.

#include "model/event_filter.h"
#include "model/event_history.h"

#include <QWidget>

#include <memory>
#include <set>
#include <string>
#include <vector>

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;
class TErrorDisplay;
class TEventHistoryLoader;
class TEventTableModel;
struct TLoadedHistory;
class TInstallationRegistry;
class TVisitRecord;

class TEventHistoryPage : public QWidget {
    Q_OBJECT
public:
    // directory: the files directory, whose event reports are read by Load. A failed export is
    // shown in `errors`.
    TEventHistoryPage(std::string directory, TErrorDisplay& errors, QWidget* parent = nullptr);
    ~TEventHistoryPage() override;

    // Starts reading the files off the window's thread; lines written meanwhile wait for it.
    void Load();
    bool Loading() const;
    TEventHistoryLoader& Loader() const { return *FLoader; }
    // A line the event report file has just received.
    void AddLiveLine(const std::string& line);
    // Shows only that installation's records, its master's and its slaves' (0: every
    // installation); a slave's ID chooses its installation.
    void SetIdFilter(uint64_t id);
    // The installations (who is whose slave, their names) and the visit of the one answering
    // now, for the filters; both must outlive the page. Null: every ID stands alone.
    void SetInstallations(const TInstallationRegistry* installations, const TVisitRecord* visit);
    // A new visit began, or an installation got another name: the choices follow.
    void VisitChanged();
    void InstallationsChanged();
    // The rows shown, as CSV, into a file; raises EInOutError when it cannot be written. The
    // result is the number of rows written.
    std::size_t ExportCsv(const QString& path) const;
    // "Export CSV..." once the file is chosen: the export, then where it went and how many
    // rows (LabelExport), or the failure on the error display.
    void ExportShown(const QString& path);

    const TEventHistory& History() const { return FHistory; }
    TEventTableModel* Model() const { return FModel; }
    const TFilteredEvents& Counts() const { return FShown; }
    // What the filters above the table keep (the service report takes the same range).
    TEventFilter Filter() const;

    QTableView* TableEvents;
    QComboBox* ComboBoxId;
    QComboBox* ComboBoxZar;
    QComboBox* ComboBoxCategory;
    QComboBox* ComboBoxTime; // TTimeChoice
    QDateTimeEdit* DateEditFrom;
    QDateTimeEdit* DateEditTo;
    QLineEdit* EditSearch;
    QPushButton* ButtonExport;
    QLabel* LabelExport; // where the last export went and how many rows
    QLabel* LabelCounts;
    QWidget* Legend; // the categories' colours
    QProgressBar* ProgressBarLoad;
    QPlainTextEdit* MemoUnreadable;

    // The items of ComboBoxTime.
    enum TTimeChoice {
        TimeAll,
        TimeToday,
        TimeThisVisit,
        TimeSinceLastVisit,
        TimeDays7,
        TimeDays30,
        TimeRange
    };

signals:
    // New entries, or a new history read: the installations' list follows.
    void HistoryChanged();

private:
    QWidget* BuildFilters();
    QWidget* BuildLegend();
    void SetTimeFilter(TEventFilter& filter) const;
    void ShowTimeRange();
    uint64_t InstallationOf(uint64_t id) const;
    void AddIdItem(uint64_t master);
    void AddRowsKeepingPlace(const std::vector<uint32_t>& rows);
    void ConnectControls();
    void Loaded(std::shared_ptr<TLoadedHistory> loaded);
    void LoadProgress(int done, int total);
    void ApplyFilter();
    void ShowCounts();
    void ShowIds();
    void ShowNewEntry(std::size_t entry, bool addRow);
    void ShowUnreadable();
    void ButtonExportClick();
    bool AddEntryOf(const std::string& line);

    std::string FDirectory;
    TErrorDisplay& FErrors;
    TEventHistory FHistory;
    TEventTableModel* FModel;
    TFilteredEvents FShown; // counts of what the table shows (its rows live in the model)
    std::unique_ptr<TEventHistoryLoader> FLoader;
    std::vector<std::string> FPending; // lines written while the files are read
    std::set<uint64_t> FIds;           // every ID the history holds, for the installation choice
    QTimer* FSearchDelay;
    bool FLoaded = false;
    uint32_t FLiveFile = 0; // the history's file name for this run's lines, once there is one
    bool FHasLiveFile = false;
    const TInstallationRegistry* FInstallations = nullptr;
    const TVisitRecord* FVisit = nullptr;
};
