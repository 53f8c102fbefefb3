#pragma once
// The "Installations" page: one row per installation the tool knows, from the device sections
// of "Kelm2.ini" (section, stored index) and from the event reports (records copied, the event
// time of the newest and the PC time it was copied). Choosing a row shows its records on the
// "Events" page.

#include "model/installations.h"

#include <QWidget>

#include <cstdint>
#include <vector>

class QTableWidget;

class TInstallationsPage : public QWidget {
    Q_OBJECT
public:
    explicit TInstallationsPage(QWidget* parent = nullptr);

    void ShowInstallations(const std::vector<TInstallation>& rows);

    QTableWidget* TableInstallations;

signals:
    // A row was chosen (selected); `activated`: with Enter or a double click.
    void InstallationChosen(quint64 id, bool activated);

private:
    void TableInstallationsSelect(int row, bool activated);
};
