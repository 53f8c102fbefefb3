#include "ui/event_history_page.h"

#include "core/civil_time.h"
#include "core/errors.h"
#include "model/event_csv.h"
#include "model/installation_registry.h"
#include "model/status_record.h"
#include "model/visit_record.h"
#include "ui/error_display.h"
#include "ui/event_history_loader.h"
#include "ui/event_table_model.h"
#include "ui/panel_text.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fstream>
#include <limits>
#include <map>
#include <set>

namespace {

// The search text as the panel's bytes (Windows-1250), so that it is looked for in the texts as
// they are kept. A character the code page lacks can match nothing: it becomes a zero byte.
std::string PanelTextBytes(const QString& text) {
    static const std::map<char16_t, char> Bytes = [] {
        std::map<char16_t, char> bytes;
        for (int b = 0x80; b < 0x100; ++b) {
            const QString decoded = DecodePanelText(std::string(1, static_cast<char>(b)));
            bytes.emplace(decoded[0].unicode(), static_cast<char>(b));
        }
        return bytes;
    }();
    std::string result;
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            result += static_cast<char>(c.unicode());
        } else {
            const auto found = Bytes.find(c.unicode());
            result += found != Bytes.end() ? found->second : '\0';
        }
    }
    return result;
}

// A label with an Alt key that names its control (for the keyboard and screen readers).
void AddLabelled(QHBoxLayout* row, QWidget* control, const QString& caption, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    auto* label = new QLabel(caption);
    label->setBuddy(control);
    control->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    row->addWidget(label);
    row->addWidget(control);
}

QDateTime ShownTime(int64_t seconds) {
    const TDateTime t = CivilDateTime(seconds);
    return QDateTime(QDate(t.Year, t.Month, t.Day), QTime(t.Hour, t.Minute, t.Second));
}

int64_t CivilOf(const QDateTime& time) {
    const QDate d = time.date();
    const QTime t = time.time();
    return CivilDays(d.year(), d.month(), d.day()) * 86400 + t.hour() * 3600 + t.minute() * 60 +
           t.second();
}

constexpr std::size_t MaxUnreadableShown = MaxUnreadableKept;

} // namespace

TEventHistoryPage::TEventHistoryPage(std::string directory, TErrorDisplay& errors, QWidget* parent)
    : QWidget(parent), FDirectory(std::move(directory)), FErrors(errors) {
    FModel = new TEventTableModel(FHistory, this);
    TableEvents = new QTableView(this);
    TableEvents->setObjectName(QStringLiteral("TableEvents"));
    TableEvents->setAccessibleName(tr("Events"));
    TableEvents->setModel(FModel);
    TableEvents->setSortingEnabled(true);
    TableEvents->sortByColumn(static_cast<int>(TEventColumn::PcTime), Qt::DescendingOrder);
    TableEvents->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableEvents->setAlternatingRowColors(false); // the ground tells the category
    TableEvents->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    // Rows of one height: a million of them cost the header nothing when the rows are set.
    TableEvents->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    TableEvents->verticalHeader()->hide();
    TableEvents->horizontalHeader()->setStretchLastSection(true);
    TableEvents->setWordWrap(false);
    // By pixels, so that a selected row can be kept exactly where it is (AddRowsKeepingPlace).
    TableEvents->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('8'));
    const std::array<int, EventColumnCount - 1> widths = {21, 21, 14, 5, 5, 6, 20}; // in digits
    for (std::size_t k = 0; k < widths.size(); ++k) {
        TableEvents->setColumnWidth(static_cast<int>(k), widths[k] * digit);
    }

    LabelCounts = new QLabel(this);
    LabelCounts->setObjectName(QStringLiteral("LabelCounts"));
    LabelCounts->setWordWrap(true);
    LabelCounts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ProgressBarLoad = new QProgressBar(this);
    ProgressBarLoad->setObjectName(QStringLiteral("ProgressBarLoad"));
    ProgressBarLoad->setAccessibleName(tr("Reading the event reports"));
    ProgressBarLoad->hide();
    MemoUnreadable = new QPlainTextEdit(this);
    MemoUnreadable->setObjectName(QStringLiteral("MemoUnreadable"));
    MemoUnreadable->setAccessibleName(tr("Lines that do not read"));
    MemoUnreadable->setReadOnly(true);
    MemoUnreadable->setMaximumHeight(fontMetrics().height() * 5);
    MemoUnreadable->hide();
    FSearchDelay = new QTimer(this);
    FSearchDelay->setSingleShot(true);
    FSearchDelay->setInterval(200);

    auto* column = new QVBoxLayout(this);
    column->addWidget(BuildFilters());
    column->addWidget(ProgressBarLoad);
    column->addWidget(TableEvents, 1);
    column->addWidget(BuildLegend());
    column->addWidget(LabelCounts);
    column->addWidget(MemoUnreadable);
    FLoader = std::make_unique<TEventHistoryLoader>(
        [this](int done, int total) { LoadProgress(done, total); },
        [this](std::shared_ptr<TLoadedHistory> loaded) { Loaded(std::move(loaded)); });
    ConnectControls();
    ShowCounts();
}

TEventHistoryPage::~TEventHistoryPage() = default;

// Two rows, so that the page never makes the window wider than its design.
QWidget* TEventHistoryPage::BuildFilters() {
    auto* bar = new QWidget(this);
    auto* rows = new QVBoxLayout(bar);
    rows->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    rows->addLayout(row);
    ComboBoxId = new QComboBox(bar);
    ComboBoxId->addItem(tr("All"), QVariant::fromValue<qulonglong>(0));
    ComboBoxId->setMinimumContentsLength(12); // an ID's 12 digits
    ComboBoxId->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    AddLabelled(row, ComboBoxId, tr("&ID"), "ComboBoxId");
    ComboBoxZar = new QComboBox(bar);
    ComboBoxZar->addItem(tr("All"), -1);
    for (int device = 0; device < 16; ++device) {
        ComboBoxZar->addItem(QString::number(device, 16).toUpper(), device);
    }
    AddLabelled(row, ComboBoxZar, tr("De&vice"), "ComboBoxZar");
    ComboBoxCategory = new QComboBox(bar);
    ComboBoxCategory->addItem(tr("All"), -1);
    for (int k = 0; k < EventCategoryCount; ++k) {
        ComboBoxCategory->addItem(tr(EventCategoryName(static_cast<TEventCategory>(k))), k);
    }
    AddLabelled(row, ComboBoxCategory, tr("C&ategory"), "ComboBoxCategory");
    ComboBoxTime = new QComboBox(bar);
    ComboBoxTime->addItems({tr("All"), tr("Today"), tr("this visit"), tr("since the last visit"),
                            tr("last 7 days"), tr("last 30 days"), tr("Range")});
    AddLabelled(row, ComboBoxTime, tr("&Time"), "ComboBoxTime");
    row->addStretch(1);
    row = new QHBoxLayout;
    rows->addLayout(row);
    DateEditFrom = new QDateTimeEdit(QDateTime(QDate::currentDate().addDays(-7), QTime()), bar);
    DateEditTo = new QDateTimeEdit(QDateTime(QDate::currentDate().addDays(1), QTime()), bar);
    for (QDateTimeEdit* edit : {DateEditFrom, DateEditTo}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy hh:mm"));
        edit->setEnabled(false); // greyed, showing the preset's range
    }
    AddLabelled(row, DateEditFrom, tr("&From"), "DateEditFrom");
    AddLabelled(row, DateEditTo, tr("T&o"), "DateEditTo");
    EditSearch = new QLineEdit(bar);
    EditSearch->setPlaceholderText(tr("Text (Ctrl+F)"));
    EditSearch->setClearButtonEnabled(true);
    AddLabelled(row, EditSearch, tr("&Search"), "EditSearch");
    row->setStretchFactor(EditSearch, 1);
    ButtonExport = new QPushButton(tr("E&xport CSV..."), bar);
    ButtonExport->setObjectName(QStringLiteral("ButtonExport"));
    row->addWidget(ButtonExport);
    LabelExport = new QLabel(bar);
    LabelExport->setObjectName(QStringLiteral("LabelExport"));
    LabelExport->setWordWrap(true);
    LabelExport->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LabelExport->hide();
    rows->addWidget(LabelExport);
    return bar;
}

// The categories' grounds, named: the colour is never the only thing that tells them apart.
QWidget* TEventHistoryPage::BuildLegend() {
    Legend = new QWidget(this);
    Legend->setObjectName(QStringLiteral("Legend"));
    Legend->setAccessibleName(tr("Colours of the categories"));
    auto* grid = new QGridLayout(Legend);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(fontMetrics().averageCharWidth());
    grid->setVerticalSpacing(0);
    constexpr int PerRow = EventCategoryCount / 2;
    for (int k = 0; k < EventCategoryCount; ++k) {
        const auto category = static_cast<TEventCategory>(k);
        auto* label = new QLabel(tr(EventCategoryName(category)), Legend);
        label->setAutoFillBackground(true);
        QPalette colours = label->palette();
        colours.setColor(QPalette::Window, CategoryColour(category));
        colours.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(colours);
        label->setContentsMargins(4, 0, 4, 0);
        grid->addWidget(label, k / PerRow, k % PerRow);
    }
    grid->setColumnStretch(PerRow, 1);
    return Legend;
}

void TEventHistoryPage::ConnectControls() {
    for (QComboBox* combo : {ComboBoxId, ComboBoxZar, ComboBoxCategory}) {
        connect(combo, &QComboBox::currentIndexChanged, this, &TEventHistoryPage::ApplyFilter);
    }
    connect(ComboBoxTime, &QComboBox::currentIndexChanged, this, [this](int index) {
        DateEditFrom->setEnabled(index == TimeRange);
        DateEditTo->setEnabled(index == TimeRange);
        ApplyFilter();
    });
    for (QDateTimeEdit* edit : {DateEditFrom, DateEditTo}) {
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, [this] {
            if (ComboBoxTime->currentIndex() == TimeRange) {
                ApplyFilter();
            }
        });
    }
    connect(EditSearch, &QLineEdit::textChanged, FSearchDelay, qOverload<>(&QTimer::start));
    connect(FSearchDelay, &QTimer::timeout, this, &TEventHistoryPage::ApplyFilter);
    connect(ButtonExport, &QPushButton::clicked, this, &TEventHistoryPage::ButtonExportClick);
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WindowShortcut); // wherever the focus is while the page is shown
    connect(find, &QShortcut::activated, this, [this] {
        EditSearch->setFocus(Qt::ShortcutFocusReason);
        EditSearch->selectAll();
    });
}

void TEventHistoryPage::Load() {
    FLoaded = false;
    ProgressBarLoad->setRange(0, 0); // busy until the number of files is known
    ProgressBarLoad->show();
    FLoader->Start(FDirectory, Filter(), FModel->SortColumn(), FModel->SortAscending());
}

bool TEventHistoryPage::Loading() const {
    return FLoader->Busy();
}

void TEventHistoryPage::LoadProgress(int done, int total) {
    ProgressBarLoad->setRange(0, total);
    ProgressBarLoad->setValue(done);
}

// The files as read, then the lines written meanwhile that the files did not hold yet. The rows
// come sorted from the reading thread unless the filter or the sort changed since it began.
void TEventHistoryPage::Loaded(std::shared_ptr<TLoadedHistory> loaded) {
    FHistory = std::move(loaded->History);
    const std::size_t read = FHistory.Entries().size();
    // A line written meanwhile went to the end of its day's file: if the file was read after
    // it, it is among that file's last entries, at most as many back as lines were written.
    for (const std::string& line : FPending) {
        if (!FHistory.HoldsWrittenLine(line, FPending.size())) {
            AddEntryOf(line);
        }
    }
    FPending.clear();
    FLoaded = true;
    ProgressBarLoad->hide();
    FModel->ForgetTexts();
    FIds = std::set<uint64_t>(loaded->Ids.begin(), loaded->Ids.end());
    ShowIds();
    ShowUnreadable();
    const bool sorted = loaded->Filter == Filter() && loaded->Column == FModel->SortColumn() &&
                        loaded->Ascending == FModel->SortAscending();
    if (sorted) {
        FShown = std::move(loaded->Shown);
        FModel->SetSortedRows(std::move(FShown.Rows));
        FShown.Rows.clear();
    } else {
        ApplyFilter();
    }
    for (std::size_t entry = read; entry < FHistory.Entries().size(); ++entry) {
        ShowNewEntry(entry, sorted);
    }
    ShowCounts();
    emit HistoryChanged();
}

bool TEventHistoryPage::AddEntryOf(const std::string& line) {
    if (!FHasLiveFile) {
        FLiveFile = FHistory.AddFile(tr("this run").toStdString());
        FHasLiveFile = true;
    }
    const std::size_t before = FHistory.Entries().size();
    FHistory.AddLine(line, FLiveFile, 0);
    return FHistory.Entries().size() != before;
}

void TEventHistoryPage::AddLiveLine(const std::string& line) {
    if (!FLoaded) {
        FPending.push_back(line);
        return;
    }
    if (!AddEntryOf(line)) {
        ShowUnreadable();
        return;
    }
    ShowNewEntry(FHistory.Entries().size() - 1, true);
    ShowCounts();
    emit HistoryChanged();
}

// An entry added after the rows were made: its installation offered, and (addRow) its row shown
// when it passes the filter.
void TEventHistoryPage::ShowNewEntry(std::size_t index, bool addRow) {
    const TEventEntry& entry = FHistory.Entries()[index];
    if (entry.Id != 0 && FIds.insert(entry.Id).second) {
        AddIdItem(InstallationOf(entry.Id));
    }
    if (addRow && PassesFilter(FHistory, entry, Filter())) {
        AddRowsKeepingPlace({static_cast<uint32_t>(index)});
        if (entry.Kind == TEntryKind::Event) {
            ++FShown.CodeCounts[entry.Code];
        } else {
            ++(entry.Kind == TEntryKind::Version ? FShown.Versions : FShown.Notes);
        }
    }
}

// A row the technician selected stays where it is on the screen while rows come in above it.
void TEventHistoryPage::AddRowsKeepingPlace(const std::vector<uint32_t>& rows) {
    const QModelIndex current = TableEvents->currentIndex();
    const QRect was = current.isValid() ? TableEvents->visualRect(current) : QRect();
    const bool inView = was.isValid() && TableEvents->viewport()->rect().intersects(was);
    FModel->AddRows(rows);
    if (!inView) {
        return;
    }
    TableEvents->doItemsLayout(); // the scroll range takes the new rows now
    QScrollBar* bar = TableEvents->verticalScrollBar();
    bar->setValue(bar->value() + TableEvents->visualRect(TableEvents->currentIndex()).top() -
                  was.top());
}

uint64_t TEventHistoryPage::InstallationOf(uint64_t id) const {
    return FInstallations != nullptr ? FInstallations->MasterOf(id) : id;
}

void TEventHistoryPage::AddIdItem(uint64_t master) {
    if (ComboBoxId->findData(QVariant::fromValue<qulonglong>(master)) >= 0) {
        return;
    }
    const std::string label =
        FInstallations != nullptr ? FInstallations->Label(master) : DeviceIdText(master);
    ComboBoxId->addItem(QString::fromStdString(label), QVariant::fromValue<qulonglong>(master));
}

void TEventHistoryPage::SetIdFilter(uint64_t id) {
    const uint64_t master = InstallationOf(id);
    AddIdItem(master);
    ComboBoxId->setCurrentIndex(ComboBoxId->findData(QVariant::fromValue<qulonglong>(master)));
}

void TEventHistoryPage::SetInstallations(const TInstallationRegistry* installations,
                                         const TVisitRecord* visit) {
    FInstallations = installations;
    FVisit = visit;
    FModel->SetInstallationLabel([this](uint64_t id) {
        const uint64_t master = InstallationOf(id);
        const QString label = QString::fromStdString(
            FInstallations != nullptr ? FInstallations->Label(master) : DeviceIdText(master));
        return master == id ? label : tr("slave of %1").arg(label);
    });
    InstallationsChanged();
}

void TEventHistoryPage::VisitChanged() {
    InstallationsChanged(); // the new installation's slaves, perhaps seen for the first time
}

void TEventHistoryPage::InstallationsChanged() {
    ShowIds();
    ApplyFilter();
}

TEventFilter TEventHistoryPage::Filter() const {
    TEventFilter filter;
    if (const auto id = ComboBoxId->currentData().toULongLong(); id != 0) {
        filter.Id = id;
        if (FInstallations != nullptr) {
            const std::vector<uint64_t> members = FInstallations->Members(id);
            filter.Slaves.assign(members.begin() + 1, members.end());
        }
    }
    if (const int device = ComboBoxZar->currentData().toInt(); device >= 0) {
        filter.Device = static_cast<uint8_t>(device);
    }
    if (const int category = ComboBoxCategory->currentData().toInt(); category >= 0) {
        filter.Category = static_cast<TEventCategory>(category);
    }
    SetTimeFilter(filter);
    filter.Text = PanelTextBytes(EditSearch->text());
    return filter;
}

// The time range of the choice: a visit's from its start (the visit of the installation
// answering now; the last one before it of the installation chosen, or of the one answering).
void TEventHistoryPage::SetTimeFilter(TEventFilter& filter) const {
    const TDateTime now = SystemClock().Now();
    switch (ComboBoxTime->currentIndex()) {
    case TimeToday:
        SetTimeRange(filter, TTimeRange::Today, now);
        break;
    case TimeThisVisit:
        filter.From = CivilSeconds(FVisit != nullptr ? FVisit->VisitStart() : now);
        break;
    case TimeSinceLastVisit: {
        uint64_t installation = ComboBoxId->currentData().toULongLong();
        if (installation == 0 && FVisit != nullptr) {
            installation = FVisit->Installation();
        }
        const std::optional<int64_t> last =
            FInstallations != nullptr ? FInstallations->PreviousVisit(installation) : std::nullopt;
        if (last) {
            filter.From = *last;
        }
        break;
    }
    case TimeDays7:
        SetTimeRange(filter, TTimeRange::Days7, now);
        break;
    case TimeDays30:
        SetTimeRange(filter, TTimeRange::Days30, now);
        break;
    case TimeRange:
        filter.From = CivilOf(DateEditFrom->dateTime());
        filter.To = CivilOf(DateEditTo->dateTime());
        break;
    default:
        break;
    }
}

// The greyed fields show what a preset keeps: an open end as the first record, or now.
void TEventHistoryPage::ShowTimeRange() {
    if (ComboBoxTime->currentIndex() == TimeRange) {
        return;
    }
    TEventFilter filter;
    SetTimeFilter(filter);
    int64_t from = filter.From;
    if (from == std::numeric_limits<int64_t>::min()) {
        from = FHistory.Entries().empty() ? CivilSeconds(SystemClock().Now())
                                          : EntryTime(FHistory.Entries().front());
        for (const TEventEntry& entry : FHistory.Entries()) {
            from = std::min(from, EntryTime(entry));
        }
    }
    const int64_t to = filter.To != std::numeric_limits<int64_t>::max()
                           ? filter.To
                           : CivilSeconds(SystemClock().Now()) + 60; // this minute included
    const QSignalBlocker quietFrom(DateEditFrom);
    const QSignalBlocker quietTo(DateEditTo);
    DateEditFrom->setDateTime(ShownTime(from));
    DateEditTo->setDateTime(ShownTime(to));
}

void TEventHistoryPage::ApplyFilter() {
    ShowTimeRange();
    FShown = FilterEvents(FHistory, Filter());
    FModel->SetRows(std::move(FShown.Rows));
    FShown.Rows.clear();
    ShowCounts();
}

// "1 234 shown: 08 Poplach na smycce 3, 1D Bat Chyba 1, ..., versions 1, notes 2"
void TEventHistoryPage::ShowCounts() {
    QStringList parts;
    for (int code = 0; code < EventTextCount; ++code) {
        if (const uint32_t count = FShown.CodeCounts[static_cast<std::size_t>(code)]) {
            parts << QStringLiteral("%1 %2: %3")
                         .arg(code, 2, 16, QLatin1Char('0'))
                         .toUpper()
                         .arg(DecodePanelText(EventTexts[static_cast<std::size_t>(code)]).trimmed())
                         .arg(count);
        }
    }
    if (FShown.Versions != 0) {
        parts << tr("versions: %1").arg(FShown.Versions);
    }
    if (FShown.Notes != 0) {
        parts << tr("notes: %1").arg(FShown.Notes);
    }
    LabelCounts->setText(tr("%1 of %2 shown. %3")
                             .arg(FModel->rowCount())
                             .arg(FHistory.Entries().size())
                             .arg(parts.join(QStringLiteral(", "))));
}

// One item per installation: a slave's records are its master's once the master is known.
void TEventHistoryPage::ShowIds() {
    const uint64_t chosen = ComboBoxId->currentData().toULongLong();
    std::set<uint64_t> masters;
    for (uint64_t id : FIds) {
        masters.insert(InstallationOf(id));
    }
    const QSignalBlocker quiet(ComboBoxId);
    while (ComboBoxId->count() > 1) {
        ComboBoxId->removeItem(1);
    }
    for (uint64_t master : masters) {
        AddIdItem(master);
    }
    if (chosen != 0) {
        SetIdFilter(chosen);
    }
}

void TEventHistoryPage::ShowUnreadable() {
    const auto& lines = FHistory.Unreadable();
    QStringList text;
    for (std::size_t k = 0; k < lines.size() && k < MaxUnreadableShown; ++k) {
        const TUnreadableLine& line = lines[k];
        QString shown = tr("%1, line %2: %3")
                            .arg(QString::fromLocal8Bit(FHistory.Files()[line.File]))
                            .arg(line.Line)
                            .arg(DecodePanelText(line.Text));
        if (line.Length > line.Text.size()) {
            shown += tr("... (%1 bytes)").arg(line.Length);
        }
        text << shown;
    }
    const std::size_t shownCount = std::min(lines.size(), MaxUnreadableShown);
    if (FHistory.UnreadableCount() > shownCount) {
        text << tr("... and %1 more").arg(FHistory.UnreadableCount() - shownCount);
    }
    MemoUnreadable->setPlainText(text.join(QLatin1Char('\n')));
    MemoUnreadable->setVisible(FHistory.UnreadableCount() != 0);
}

std::size_t TEventHistoryPage::ExportCsv(const QString& path) const {
    std::ofstream out(path.toLocal8Bit().toStdString(), std::ios::binary | std::ios::trunc);
    WriteEventCsv(out, FHistory, FModel->Rows(),
                  [](const std::string& bytes) { return DecodePanelText(bytes).toStdString(); });
    out.close();
    if (!out) {
        throw EInOutError(errno, path.toLocal8Bit().toStdString());
    }
    return FModel->Rows().size();
}

void TEventHistoryPage::ButtonExportClick() {
    const QString path = QFileDialog::getSaveFileName(this, tr("Export events"),
                                                      QString::fromLocal8Bit(FDirectory) +
                                                          QStringLiteral("/events.csv"),
                                                      tr("CSV files (*.csv)"));
    if (!path.isEmpty()) {
        ExportShown(path);
    }
}

void TEventHistoryPage::ExportShown(const QString& path) {
    FErrors.Guard([&] {
        const std::size_t rows = ExportCsv(path);
        const QString where = QDir::toNativeSeparators(path);
        LabelExport->setText(rows == 1 ? tr("1 row written to %1").arg(where)
                                       : tr("%1 rows written to %2").arg(rows).arg(where));
        LabelExport->show();
    });
}
