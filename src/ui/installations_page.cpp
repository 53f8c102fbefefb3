#include "ui/installations_page.h"

#include "core/civil_time.h"
#include "model/event_bookkeeping.h"
#include "model/event_record.h"
#include "model/panel_calendar.h"
#include "model/status_record.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

TInstallationsPage::TInstallationsPage(QWidget* parent) : QWidget(parent) {
    TableInstallations = new QTableWidget(0, 6, this);
    TableInstallations->setObjectName(QStringLiteral("TableInstallations"));
    TableInstallations->setAccessibleName(tr("Installations"));
    TableInstallations->setHorizontalHeaderLabels({tr("ID"), tr("Section"), tr("Stored index"),
                                                   tr("Records copied"), tr("Newest record"),
                                                   tr("Copied at")});
    TableInstallations->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableInstallations->setSelectionMode(QAbstractItemView::SingleSelection);
    TableInstallations->verticalHeader()->hide();
    TableInstallations->horizontalHeader()->setStretchLastSection(true);
    auto* column = new QVBoxLayout(this);
    column->addWidget(TableInstallations);
    connect(TableInstallations, &QTableWidget::currentCellChanged, this,
            [this](int row) { TableInstallationsSelect(row, false); });
    connect(TableInstallations, &QTableWidget::cellActivated, this,
            [this](int row) { TableInstallationsSelect(row, true); });
}

void TInstallationsPage::ShowInstallations(const std::vector<TInstallation>& rows) {
    const QSignalBlocker quiet(TableInstallations);
    const int current = TableInstallations->currentRow();
    TableInstallations->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const TInstallation& row = rows[static_cast<std::size_t>(r)];
        auto* id = Cell(QString::fromLatin1(DeviceIdText(row.Id)));
        id->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(row.Id));
        TableInstallations->setItem(r, 0, id);
        TableInstallations->setItem(
            r, 1,
            Cell(row.Section ? QString::fromStdString(DeviceSectionName(*row.Section))
                             : QString()));
        TableInstallations->setItem(
            r, 2, Cell(row.StoredIndex ? QString::number(*row.StoredIndex) : QString()));
        TableInstallations->setItem(r, 3, Cell(QString::number(row.Records)));
        TableInstallations->setItem(
            r, 4,
            Cell(row.NewestPanelTime
                     ? QString::fromLatin1(EventTimeText(DecodePanelTime(*row.NewestPanelTime)))
                     : QString()));
        TableInstallations->setItem(r, 5,
                                    Cell(row.NewestCopied ? QString::fromLatin1(EventTimeText(
                                                                CivilDateTime(*row.NewestCopied)))
                                                          : QString()));
    }
    if (current >= 0 && current < TableInstallations->rowCount()) {
        TableInstallations->setCurrentCell(current, 0);
    }
    TableInstallations->resizeColumnsToContents();
}

void TInstallationsPage::TableInstallationsSelect(int row, bool activated) {
    if (row < 0 || TableInstallations->item(row, 0) == nullptr) {
        return;
    }
    emit InstallationChosen(TableInstallations->item(row, 0)->data(Qt::UserRole).toULongLong(),
                            activated);
}
