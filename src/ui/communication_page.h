#pragma once
// The Communication page: the link controls in three rows on a top panel, and the communication
// log Memo1 below them. The page only builds and lays out its controls; the window wires them.

#include "store/connection_settings.h"

#include <QWidget>

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

class TCommunicationPage : public QWidget {
    Q_OBJECT
public:
    explicit TCommunicationPage(QWidget* parent = nullptr);

    QPushButton* Button1;        // "Init"
    QPushButton* ButtonStop;     // "Stop"
    QPushButton* Button2;        // "Clear"
    QSpinBox* SpinEditAdr;       // "Address"
    QPushButton* Button3;        // "Zapis kalibraci", never visible
    QPushButton* Button5;        // "Com settings"
    QPushButton* ButtonSetTime;  // "Set time"
    QPushButton* Button8;        // "Get events", never visible
    QPushButton* ButtonVerse;    // "Software version"
    QPushButton* ButtonMonitor;  // "Traffic monitor"
    QPushButton* Button7;        // "Get samp.", never visible
    QPushButton* ButtonSetSlave; // "Set slaves"
    QSpinBox* SpinEditSlave;     // number of slaves for "Set slaves"
    QSpinBox* SpinEditRefresh;   // "Refresh", milliseconds
    QCheckBox* CheckBoxUDP;      // "UDP"
    QLineEdit* EditIP;           // "IP address"
    QPlainTextEdit* Memo1;       // the communication log

    QPushButton* ButtonServiceReport; // "Service report...", row 2 beside "Traffic monitor"
    QPushButton* ButtonFilesFolder;   // "Open files folder": the tool's files directory

private:
    QPushButton* AddButton(QGridLayout* grid, const char* name, const QString& caption, int row,
                           int column, bool visible = true);
    void AddLabelled(QGridLayout* grid, QWidget* control, const QString& label, int row,
                     int column);
    QSpinBox* MakeSpinEdit(const char* name, int minimum, int maximum, int value);
    void BuildMemo();
};
