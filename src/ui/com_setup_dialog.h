#pragma once
// The serial settings dialog "Setup": six pick-only lists (port, baud rate, data bits, stop bits,
// parity, flow control) preselected from the port's current values. OK applies the selections
// to the port in that order inside BeginUpdate/EndUpdate; a list without a selection leaves its
// setting alone. Cancel changes nothing, and undoes an OK that failed. The settings reach
// "ComPort.ini" when the window closes.

#include "transport/com_port_links.h"
#include "transport/com_port_list.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QStandardItemModel;
class TComPort;

// Lists the serial devices present now (raises what the listing raises).
using TComPortLister = std::function<std::vector<TComPortInfo>()>;

class TComSetupFrm : public QDialog {
    Q_OBJECT
public:
    // lister: the serial devices present on the system, sorted; asked again by "Refresh".
    TComSetupFrm(const TComPort& port, TComPortLister lister, QWidget* parent = nullptr);
    // A fixed list of device paths, with nothing known of them.
    TComSetupFrm(const TComPort& port, const std::vector<std::string>& portNames,
                 QWidget* parent = nullptr);

    // Applies the selections to the port. Raises what the port raises when it is open and
    // refuses a setting; the update is ended either way.
    void ApplyTo(TComPort& port) const;

    // What OK does before the dialog closes; what it raises is shown in the dialog, which
    // stays open. Without it OK only closes.
    void SetApply(std::function<void()> apply) { FApply = std::move(apply); }

    // The port: the present devices (path, and what is known of each as a second column and
    // tool tip), the links under /dev/serial with the device each leads to, the current port
    // (marked "not present" when no device is there), and any path typed in. The field is as
    // wide as the longest path listed.
    QComboBox* Combo1;
    QComboBox* Combo2;          // baud rate
    QComboBox* Combo3;          // data bits
    QComboBox* Combo4;          // stop bits
    QComboBox* Combo5;          // parity
    QComboBox* Combo6;          // flow control
    QPushButton* ButtonRefresh; // lists the devices again
    QLabel* LabelPortInfo;      // what is known of the port chosen or typed
    QLabel* LabelError;         // what went wrong in the dialog (listing, applying); else hidden

    // Lists the devices again, keeping the port chosen or typed.
    void RefreshPorts();

private:
    void FillPorts(const std::string& wanted);
    void ShowPortInfo();
    void ShowError(const std::exception& error);
    void OkClick();
    void FitPortField();
    // What is known of a path, and whether a device is there.
    QString About(const std::string& path, bool& present) const;
    QComboBox* AddPortList(QGridLayout* grid);

    QComboBox* AddList(QGridLayout* grid, int row, const char* name, const char* label,
                       const std::vector<std::string>& entries, const std::string& current);

    TComPortLister FLister;
    std::vector<TComPortInfo> FPresent;
    std::vector<TComPortLink> FLinks;
    std::function<void()> FApply;
    QStandardItemModel* FPortModel;
};

// Shows the dialog for the port (modal) and applies it on OK; a setting the port refuses is
// shown in the dialog, which stays open. Cancel after such a failed OK puts the port's settings
// back as they were and opens it again when it was open (raising what the open raises). Raises
// EComPort 23 when the system's ports cannot be listed as it opens.
void ShowComSetupDialog(TComPort& port, QWidget* parent);
