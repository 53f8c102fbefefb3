#pragma once
// The "Installations" page: one row per installation the tool knows (its master's ID, name and
// site, the slaves seen with it, the oldest and newest record copied, the last visit, the
// records and alarms copied, and the device section of "Kelm2.ini" with its stored index).
// Choosing a row shows the installation's records, its master's and its slaves', on the
// "Events" page. Under the table the chosen installation's name and site can be given.

#include "model/installations.h"

#include <QWidget>

#include <cstdint>
#include <vector>

class QLineEdit;
class QPushButton;
class QTableWidget;

class TInstallationsPage : public QWidget {
    Q_OBJECT
public:
    explicit TInstallationsPage(QWidget* parent = nullptr);

    void ShowInstallations(const std::vector<TInstallation>& rows);

    QTableWidget* TableInstallations;
    QLineEdit* EditName;
    QLineEdit* EditSite;
    QPushButton* ButtonSaveName; // "Save name"

    // The columns of the table.
    enum TColumn {
        ColId,
        ColName,
        ColSite,
        ColSlaves,
        ColFirst,
        ColLast,
        ColVisit,
        ColRecords,
        ColAlarms,
        ColSection,
        ColIndex,
        ColCopied,
        ColumnCount
    };

signals:
    // A row was chosen (selected); `activated`: with Enter or a double click.
    void InstallationChosen(quint64 id, bool activated);
    // "Save name" for the chosen installation (the texts as typed: the core checks them).
    void InstallationNamed(quint64 id, const QString& name, const QString& site);

private:
    void TableInstallationsSelect(int row, bool activated);
    void ButtonSaveNameClick();
    quint64 ChosenId() const;
};
