#include "ui/alarm_page.h"

#include "core/error_list.h"
#include "ui/panel_text.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum TColumn { ColTime, ColInstallation, ColUnit, ColWhat, ColAcknowledged, ColumnCount };

QString AcknowledgedText(const TAlarmEntry& entry) {
    if (!entry.Acknowledged) {
        return QObject::tr("not yet");
    }
    return QObject::tr("%1 by %2 (%3)")
        .arg(QString::fromStdString(ClockText(entry.At)), QString::fromLocal8Bit(entry.By),
             QString::fromStdString(entry.How));
}

} // namespace

TAlarmPage::TAlarmPage(QWidget* parent) : QWidget(parent) {
    GridAlarms = new QTableWidget(0, ColumnCount, this);
    GridAlarms->setObjectName(QStringLiteral("GridAlarms"));
    GridAlarms->setAccessibleName(tr("Alarms announced"));
    GridAlarms->setHorizontalHeaderLabels(
        {tr("Time"), tr("Installation"), tr("Unit"), tr("What"), tr("Acknowledged")});
    GridAlarms->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridAlarms->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridAlarms->verticalHeader()->hide();
    GridAlarms->horizontalHeader()->setStretchLastSection(true);
    ButtonAcknowledge = new QPushButton(tr("&Acknowledge all"), this);
    ButtonAcknowledge->setObjectName(QStringLiteral("ButtonAcknowledge"));
    CheckBoxNotifications = new QCheckBox(tr("Desktop &notifications"), this);
    CheckBoxNotifications->setObjectName(QStringLiteral("CheckBoxNotifications"));
    CheckBoxNotifications->setChecked(true);
    LabelUnacknowledged = new QLabel(this);
    LabelUnacknowledged->setObjectName(QStringLiteral("LabelUnacknowledged"));
    auto* row = new QHBoxLayout;
    row->addWidget(ButtonAcknowledge);
    row->addWidget(LabelUnacknowledged);
    row->addStretch(1);
    row->addWidget(CheckBoxNotifications);
    auto* column = new QVBoxLayout(this);
    column->addWidget(GridAlarms);
    column->addLayout(row);
    ShowUnacknowledged(0);
}

void TAlarmPage::ShowEntry(std::size_t row, const TAlarmEntry& entry, const QString& installation) {
    const int r = static_cast<int>(row);
    if (r >= GridAlarms->rowCount()) {
        GridAlarms->setRowCount(r + 1);
    }
    const TAnnouncement& a = entry.Announcement;
    const QString texts[ColumnCount] = {QString::fromStdString(ClockText(a.Time)), installation,
                                        QString::fromStdString(UnitText(a.Device)),
                                        DecodePanelText(AnnouncementWhat(a)),
                                        AcknowledgedText(entry)};
    for (int c = 0; c < ColumnCount; ++c) {
        auto* item = GridAlarms->item(r, c);
        if (item == nullptr) {
            item = new QTableWidgetItem;
            GridAlarms->setItem(r, c, item);
        }
        item->setText(texts[c]);
        QFont font = item->font();
        font.setBold(a.Critical() && !entry.Acknowledged);
        item->setFont(font);
    }
}

void TAlarmPage::ShowUnacknowledged(int count) {
    LabelUnacknowledged->setText(tr("Not acknowledged: %1").arg(count));
    ButtonAcknowledge->setEnabled(count > 0);
}
