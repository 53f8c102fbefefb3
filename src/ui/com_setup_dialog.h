#pragma once
// The serial settings dialog "Setup": six pick-only lists (port, baud rate, data bits, stop bits,
// parity, flow control) preselected from the port's current values. OK applies the selections
// to the port in that order inside BeginUpdate/EndUpdate; a list without a selection leaves its
// setting alone. Cancel changes nothing. The settings reach "ComPort.ini" when the window closes.

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QGridLayout;
class TComPort;

class TComSetupFrm : public QDialog {
    Q_OBJECT
public:
    // portNames: the serial ports present on the system, sorted.
    TComSetupFrm(const TComPort& port, const std::vector<std::string>& portNames,
                 QWidget* parent = nullptr);

    // Applies the selections to the port. Raises what the port raises when it is open and
    // refuses a setting; the update is ended either way.
    void ApplyTo(TComPort& port) const;

    QComboBox* Combo1; // port
    QComboBox* Combo2; // baud rate
    QComboBox* Combo3; // data bits
    QComboBox* Combo4; // stop bits
    QComboBox* Combo5; // parity
    QComboBox* Combo6; // flow control

private:
    QComboBox* AddList(QGridLayout* grid, int row, const char* name, const char* label,
                       const std::vector<std::string>& entries, const std::string& current);
};

// Shows the dialog for the port (modal) and applies it on OK. Raises EComPort 23 when the
// system's ports cannot be listed.
void ShowComSetupDialog(TComPort& port, QWidget* parent);
