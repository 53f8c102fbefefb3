#include "ui/installations_page.h"

#include "core/civil_time.h"
#include "model/event_bookkeeping.h"
#include "model/event_record.h"
#include "model/installation_text.h"
#include "model/panel_calendar.h"
#include "model/status_record.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

QString PanelTimeText(const std::optional<uint32_t>& time) {
    return time ? QString::fromLatin1(EventTimeText(DecodePanelTime(*time))) : QString();
}

QString PcTimeText(const std::optional<int64_t>& time) {
    return time ? QString::fromLatin1(EventTimeText(CivilDateTime(*time))) : QString();
}

} // namespace

TInstallationsPage::TInstallationsPage(QWidget* parent) : QWidget(parent) {
    TableInstallations = new QTableWidget(0, ColumnCount, this);
    TableInstallations->setObjectName(QStringLiteral("TableInstallations"));
    TableInstallations->setAccessibleName(tr("Installations"));
    TableInstallations->setHorizontalHeaderLabels(
        {tr("ID"), tr("Name"), tr("Site"), tr("Slaves"), tr("First record"), tr("Newest record"),
         tr("Last visit"), tr("Records copied"), tr("Alarms"), tr("Section"), tr("Stored index"),
         tr("Copied at")});
    TableInstallations->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableInstallations->setSelectionMode(QAbstractItemView::SingleSelection);
    TableInstallations->verticalHeader()->hide();
    TableInstallations->horizontalHeader()->setStretchLastSection(true);

    EditName = new QLineEdit(this);
    EditName->setObjectName(QStringLiteral("EditName"));
    EditSite = new QLineEdit(this);
    EditSite->setObjectName(QStringLiteral("EditSite"));
    ButtonSaveName = new QPushButton(tr("Save &name"), this);
    ButtonSaveName->setObjectName(QStringLiteral("ButtonSaveName"));
    ButtonSaveName->setEnabled(false);
    auto* names = new QHBoxLayout;
    for (auto [edit, caption] :
         {std::pair{EditName, tr("Na&me")}, std::pair{EditSite, tr("S&ite")}}) {
        // Room for a whole name; the core refuses a longer one with a message.
        edit->setMaxLength(static_cast<int>(InstallationTextMaxLength) + 1);
        edit->setEnabled(false);
        auto* label = new QLabel(caption, this);
        label->setBuddy(edit);
        edit->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
        names->addWidget(label);
        names->addWidget(edit, 1);
    }
    names->addWidget(ButtonSaveName);

    auto* column = new QVBoxLayout(this);
    column->addWidget(TableInstallations);
    column->addLayout(names);
    connect(TableInstallations, &QTableWidget::currentCellChanged, this,
            [this](int row) { TableInstallationsSelect(row, false); });
    connect(TableInstallations, &QTableWidget::cellActivated, this,
            [this](int row) { TableInstallationsSelect(row, true); });
    connect(ButtonSaveName, &QPushButton::clicked, this, &TInstallationsPage::ButtonSaveNameClick);
    for (QLineEdit* edit : {EditName, EditSite}) {
        connect(edit, &QLineEdit::returnPressed, this, &TInstallationsPage::ButtonSaveNameClick);
    }
}

void TInstallationsPage::ShowInstallations(const std::vector<TInstallation>& rows) {
    const QSignalBlocker quiet(TableInstallations);
    const quint64 chosen = ChosenId();
    TableInstallations->setRowCount(static_cast<int>(rows.size()));
    int current = -1;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const TInstallation& row = rows[static_cast<std::size_t>(r)];
        auto* id = Cell(QString::fromLatin1(DeviceIdText(row.Id)));
        id->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(row.Id));
        QStringList slaves;
        for (uint64_t slave : row.Slaves) {
            slaves << QString::fromLatin1(DeviceIdText(slave));
        }
        const QString cells[ColumnCount] = {
            QString(),
            QString::fromStdString(row.Name),
            QString::fromStdString(row.Site),
            slaves.join(QStringLiteral(", ")),
            PanelTimeText(row.FirstPanelTime),
            PanelTimeText(row.NewestPanelTime),
            PcTimeText(row.LastVisit),
            QString::number(row.Records),
            QString::number(row.Alarms),
            row.Section ? QString::fromStdString(DeviceSectionName(*row.Section)) : QString(),
            row.StoredIndex ? QString::number(*row.StoredIndex) : QString(),
            PcTimeText(row.NewestCopied)};
        TableInstallations->setItem(r, ColId, id);
        for (int c = ColName; c < ColumnCount; ++c) {
            TableInstallations->setItem(r, c, Cell(cells[c]));
        }
        if (row.Id == chosen) {
            current = r;
        }
    }
    if (current >= 0) {
        TableInstallations->setCurrentCell(current, 0);
    }
    TableInstallations->resizeColumnsToContents();
}

quint64 TInstallationsPage::ChosenId() const {
    const int row = TableInstallations->currentRow();
    const QTableWidgetItem* id = row >= 0 ? TableInstallations->item(row, ColId) : nullptr;
    return id != nullptr ? id->data(Qt::UserRole).toULongLong() : 0;
}

void TInstallationsPage::TableInstallationsSelect(int row, bool activated) {
    if (row < 0 || TableInstallations->item(row, ColId) == nullptr) {
        return;
    }
    EditName->setText(TableInstallations->item(row, ColName)->text());
    EditSite->setText(TableInstallations->item(row, ColSite)->text());
    for (QWidget* control : {static_cast<QWidget*>(EditName), static_cast<QWidget*>(EditSite),
                             static_cast<QWidget*>(ButtonSaveName)}) {
        control->setEnabled(true);
    }
    emit InstallationChosen(ChosenId(), activated);
}

void TInstallationsPage::ButtonSaveNameClick() {
    if (const quint64 id = ChosenId(); id != 0) {
        emit InstallationNamed(id, EditName->text(), EditSite->text());
    }
}
