#pragma once
// The "Alarms" page: the changes announced in this run, newest last (time, installation, unit,
// what, and who acknowledged it when), "Acknowledge all", and the switch for desktop
// notifications.

#include "model/alarm_list.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

class TAlarmPage : public QWidget {
    Q_OBJECT
public:
    explicit TAlarmPage(QWidget* parent = nullptr);

    // Shows row `row` of the list, adding it when new; `installation` as it is named.
    void ShowEntry(std::size_t row, const TAlarmEntry& entry, const QString& installation);
    // The count under the table.
    void ShowUnacknowledged(int count);

    QTableWidget* GridAlarms;
    QPushButton* ButtonAcknowledge;
    QCheckBox* CheckBoxNotifications;
    QLabel* LabelUnacknowledged;
};
