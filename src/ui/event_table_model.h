#pragma once
// The "Events" page's table: the rows the core's filter chose from the history, in the order of
// the column chosen, coloured by the event's category and naming it in a column of its own;
// version and note lines greyed. Only the
// rows on screen are turned into text, so a million rows cost no more than a hundred.

#include "model/event_filter.h"
#include "model/event_history.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QString>

#include <functional>
#include <vector>

// The ground of a category's rows (and of its square in the page's legend).
QColor CategoryColour(TEventCategory category);

class TEventTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TEventTableModel(const TEventHistory& history, QObject* parent = nullptr);

    // The rows to show (indices into the history's entries), sorted by the column chosen last.
    void SetRows(std::vector<uint32_t> rows);
    // Rows already in the order of SortColumn() and SortAscending() (sorted off this thread).
    void SetSortedRows(std::vector<uint32_t> rows);
    TEventColumn SortColumn() const { return FColumn; }
    bool SortAscending() const { return FAscending; }
    const std::vector<uint32_t>& Rows() const { return FRows; }
    // Puts rows of entries added at the end of the history in their place: at the top when the
    // newest come first (the default), else by sorting again.
    void AddRows(const std::vector<uint32_t>& rows);
    // The history has new texts, or was replaced: forget the decoded ones.
    void ForgetTexts() { FTexts.clear(); }
    // The tool tip of an ID: its installation with name and site (none: the category's).
    void SetInstallationLabel(std::function<QString(uint64_t)> label) {
        FInstallationLabel = std::move(label);
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

    // A panel text decoded for the screen, control characters as visible stand-ins.
    QString ShownText(uint32_t text) const;

private:
    const TEventHistory& FHistory;
    std::vector<uint32_t> FRows;
    TEventColumn FColumn = TEventColumn::PcTime;
    bool FAscending = false;
    mutable std::vector<QString> FTexts; // decoded, by text index; empty until first shown
    mutable std::vector<bool> FDecoded;
    std::function<QString(uint64_t)> FInstallationLabel;
};
