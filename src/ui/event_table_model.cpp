#include "ui/event_table_model.h"

#include "model/event_csv.h"
#include "ui/panel_text.h"

#include <QBrush>
#include <QColor>

#include <array>
#include <unordered_map>

namespace {

// Light grounds that keep black text readable, one per category (TEventCategory order).
const std::array<QRgb, EventCategoryCount> CategoryColours = {
    0xFFC8C8, // alarms and pre-alarms: red
    0xFFE4B0, // faults: amber
    0xC8E6FF, // resets and silencing: blue
    0xE0F0D0, // operating mode: green
    0xF4F0B8, // power and battery: yellow
    0xE8D4F4, // tamper: violet
    0xD4F0F0, // slave communication: cyan
    0xF0DCD0, // pressure: brown
};

const std::array<const char*, EventColumnCount> Headers = {
    QT_TRANSLATE_NOOP("TEventTableModel", "PC time"),
    QT_TRANSLATE_NOOP("TEventTableModel", "Panel time"),
    QT_TRANSLATE_NOOP("TEventTableModel", "ID"),
    "Zar",
    "Sm",
    QT_TRANSLATE_NOOP("TEventTableModel", "Code"),
    QT_TRANSLATE_NOOP("TEventTableModel", "Category"),
    QT_TRANSLATE_NOOP("TEventTableModel", "Text")};

} // namespace

QColor CategoryColour(TEventCategory category) {
    return QColor(CategoryColours[static_cast<std::size_t>(category)]);
}

TEventTableModel::TEventTableModel(const TEventHistory& history, QObject* parent)
    : QAbstractTableModel(parent), FHistory(history) {}

void TEventTableModel::SetRows(std::vector<uint32_t> rows) {
    beginResetModel();
    FRows = std::move(rows);
    SortEventRows(FHistory, FRows, FColumn, FAscending);
    endResetModel();
}

void TEventTableModel::SetSortedRows(std::vector<uint32_t> rows) {
    beginResetModel();
    FRows = std::move(rows);
    endResetModel();
}

void TEventTableModel::AddRows(const std::vector<uint32_t>& rows) {
    if (rows.empty()) {
        return;
    }
    if (FColumn != TEventColumn::PcTime || FAscending) {
        // Added at the end and sorted into place: the selection moves with its records.
        const int first = static_cast<int>(FRows.size());
        beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
        FRows.insert(FRows.end(), rows.begin(), rows.end());
        endInsertRows();
        sort(static_cast<int>(FColumn), FAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
        return;
    }
    // Newest first: the new entries are the newest, the last added on top.
    beginInsertRows({}, 0, static_cast<int>(rows.size()) - 1);
    FRows.insert(FRows.begin(), rows.rbegin(), rows.rend());
    endInsertRows();
}

int TEventTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TEventTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : EventColumnCount;
}

QString TEventTableModel::ShownText(uint32_t text) const {
    if (FTexts.size() < FHistory.TextCount()) {
        FTexts.resize(FHistory.TextCount());
        FDecoded.resize(FHistory.TextCount());
    }
    if (!FDecoded[text]) {
        QString shown = DecodePanelText(FHistory.Text(text));
        for (QChar& c : shown) {
            if (c.unicode() < 0x20) {
                c = QChar(0x2400 + c.unicode()); // the control pictures: visible, one each
            }
        }
        FTexts[text] = shown;
        FDecoded[text] = true;
    }
    return FTexts[text];
}

QVariant TEventTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const TEventEntry& entry = FHistory.Entries()[FRows[static_cast<std::size_t>(index.row())]];
    switch (role) {
    case Qt::DisplayRole: {
        if (index.column() == static_cast<int>(TEventColumn::Text)) {
            return ShownText(entry.Text);
        }
        if (index.column() == static_cast<int>(TEventColumn::Category)) {
            return entry.Kind == TEntryKind::Event
                       ? tr(EventCategoryName(EventCategory(entry.Code)))
                   : entry.Kind == TEntryKind::Version ? tr("Version")
                                                       : tr("Note");
        }
        const std::vector<std::string> cells = EventCells(FHistory, entry);
        return QString::fromLatin1(cells[static_cast<std::size_t>(index.column())]);
    }
    case Qt::BackgroundRole:
        if (entry.Kind == TEntryKind::Event) {
            return QBrush(CategoryColour(EventCategory(entry.Code)));
        }
        return {};
    case Qt::ForegroundRole:
        return entry.Kind == TEntryKind::Event ? QVariant() : QVariant(QBrush(Qt::darkGray));
    case Qt::ToolTipRole:
        if (index.column() == static_cast<int>(TEventColumn::Id) && entry.Id != 0 &&
            FInstallationLabel) {
            return FInstallationLabel(entry.Id);
        }
        if (entry.Kind == TEntryKind::Event) {
            return tr(EventCategoryName(EventCategory(entry.Code)));
        }
        return entry.Kind == TEntryKind::Version ? tr("Version line") : tr("Event copy note");
    default:
        return {};
    }
}

QVariant TEventTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= EventColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return tr(Headers[static_cast<std::size_t>(section)]);
}

// The selection and the current row stay on their records wherever the sort moves them.
void TEventTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= EventColumnCount) {
        return;
    }
    FColumn = static_cast<TEventColumn>(column);
    FAscending = order == Qt::AscendingOrder;
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<uint32_t> entries; // the record under each persistent index
    std::unordered_map<uint32_t, int> newRow;
    for (const QModelIndex& index : before) {
        entries.push_back(FRows[static_cast<std::size_t>(index.row())]);
        newRow.emplace(entries.back(), -1);
    }
    SortEventRows(FHistory, FRows, FColumn, FAscending);
    for (int row = 0; row < static_cast<int>(FRows.size()) && !newRow.empty(); ++row) {
        if (auto found = newRow.find(FRows[static_cast<std::size_t>(row)]); found != newRow.end()) {
            found->second = row;
        }
    }
    QModelIndexList after;
    for (int k = 0; k < before.size(); ++k) {
        after << index(newRow[entries[static_cast<std::size_t>(k)]], before[k].column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}
