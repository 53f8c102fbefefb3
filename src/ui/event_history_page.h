#pragma once
// The "Events" page: every record the tool ever copied, read from the event report files of
// all days, newest first, and every line the event report receives from now on. Filters on the
// ID, the device number ("Zar"), the category, the time and a free text (Ctrl+F); counts per
// event code of what is shown; sort by any column; export of what is shown as CSV. Lines of the
// files that do not read are listed under the table with file and line number.

#include "model/event_filter.h"
#include "model/event_history.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QDateEdit;
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
    // Shows only that installation's records (0: every installation).
    void SetIdFilter(uint64_t id);
    // The rows shown, as CSV, into a file; raises EInOutError when it cannot be written.
    void ExportCsv(const QString& path) const;

    const TEventHistory& History() const { return FHistory; }
    TEventTableModel* Model() const { return FModel; }
    const TFilteredEvents& Counts() const { return FShown; }
    // What the filters above the table keep (the service report takes the same range).
    TEventFilter Filter() const;

    QTableView* TableEvents;
    QComboBox* ComboBoxId;
    QComboBox* ComboBoxZar;
    QComboBox* ComboBoxCategory;
    QComboBox* ComboBoxTime;
    QDateEdit* DateEditFrom;
    QDateEdit* DateEditTo;
    QLineEdit* EditSearch;
    QPushButton* ButtonExport;
    QLabel* LabelCounts;
    QProgressBar* ProgressBarLoad;
    QPlainTextEdit* MemoUnreadable;

signals:
    // New entries, or a new history read: the installations' list follows.
    void HistoryChanged();

private:
    QWidget* BuildFilters();
    void ConnectControls();
    void Loaded(std::shared_ptr<TLoadedHistory> loaded);
    void LoadProgress(int done, int total);
    void ApplyFilter();
    void ShowCounts();
    void ShowIds(const std::vector<uint64_t>& ids);
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
    QTimer* FSearchDelay;
    bool FLoaded = false;
    uint32_t FLiveFile = 0; // the history's file name for this run's lines, once there is one
    bool FHasLiveFile = false;
};
