#pragma once
// One status page: the live status of one device (0 the master, 1 to 4 the slaves) as the panel
// last reported it. The master page and the slave pages are built by the same code from the
// tables of status_page_tables.h; a slave page lacks the master-only controls and hides the ones
// a slave does not use, which are still updated.

#include "model/status_record.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <map>

class QBoxLayout;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class TNumberEdit;
class TRadioGroup;
class TShape;

class TStatusPage : public QWidget {
    Q_OBJECT

public:
    // Builds the page of `device` (0 to 4; anything else raises ERangeError), named `Master` or
    // `TabSheetSl1` to `TabSheetSl4`.
    explicit TStatusPage(int device, QWidget* parent = nullptr);

    int Device() const { return FDevice; }
    // The tab caption: "Master", "Slave 1", "Slave2", "Slave3", "Slave4".
    QString Caption() const;

    // The controls, or null where this device has none.
    QLineEdit* IdEdit() const { return FIdEdit; }
    TNumberEdit* NumberEdit(TMeasureField field) const;
    TRadioGroup* RadioGroup(TStateField field) const;
    QCheckBox* OutputBox(int bit) const;
    TShape* Led(int index) const;
    // The master's event log counters "Start" (`EditZac`), "End" (`EditKon`), "Max" (`EditMax`).
    QLineEdit* EditZac() const { return FEventEdits[0]; }
    QLineEdit* EditKon() const { return FEventEdits[1]; }
    QLineEdit* EditMax() const { return FEventEdits[2]; }

    // The device ID in its 12-digit text form.
    void ShowDeviceId(const QString& idText);
    // Shows raw / divisor of the field. A field this device has no control for raises
    // ERangeError.
    void ShowValue(TMeasureField field, uint16_t raw);
    // Selects the code's item; a code past the list selects the last item. A field this device
    // has no group for raises ERangeError.
    void ShowStateCode(TStateField field, uint8_t code);
    // Ticks the output boxes from the device's Out word (a slave only has bits 4 and 7).
    void ShowOutputs(uint16_t out);

    // What the page's controls need to show whole; a smaller page scrolls.
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

private:
    QGridLayout* BuildStateRows();
    QWidget* BuildRelayGroup();
    QGridLayout* BuildValueGrid();
    QGridLayout* BuildIdFields();
    QBoxLayout* BuildLedColumn();
    TRadioGroup* AddRadioGroup(TStateField field);
    QLineEdit* AddTextField(QGridLayout* grid, int row, const char* name, const char* label,
                            const QString& spoken);
    bool IsShown(bool shownOnSlave) const { return FDevice == 0 || shownOnSlave; }

    int FDevice;
    QWidget* FContent; // the controls, inside the page's scroll area
    QLineEdit* FIdEdit = nullptr;
    std::array<QLineEdit*, 3> FEventEdits{};
    std::map<TMeasureField, TNumberEdit*> FNumberEdits;
    std::map<TStateField, TRadioGroup*> FRadioGroups;
    std::map<int, QCheckBox*> FOutputBoxes;
    std::array<TShape*, 23> FLeds{};
};
