#include "ui/communication_page.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <climits>

// Every visible control has its own Alt key on this page: I, S, C, A, M, T, V, O, E, F, L, R,
// U, P.
TCommunicationPage::TCommunicationPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheet2"));
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("PanelLink"));
    auto* grid = new QGridLayout(panel);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(10);

    Button1 = AddButton(grid, "Button1", tr("&Init"), 0, 0);
    ButtonStop = AddButton(grid, "ButtonStop", tr("&Stop"), 0, 1);
    Button2 = AddButton(grid, "Button2", tr("&Clear"), 0, 2);
    SpinEditAdr = MakeSpinEdit("SpinEditAdr", INT_MIN, INT_MAX, 0);
    AddLabelled(grid, SpinEditAdr, tr("&Address"), 0, 3);
    Button3 = AddButton(grid, "Button3", tr("Zapis kalibraci"), 0, 4, false);
    Button5 = AddButton(grid, "Button5", tr("Co&m settings"), 0, 5);

    ButtonSetTime = AddButton(grid, "ButtonSetTime", tr("Set &time"), 1, 0);
    Button8 = AddButton(grid, "Button8", tr("Get events"), 1, 1, false);
    ButtonVerse = AddButton(grid, "ButtonVerse", tr("Software &version"), 1, 5);
    ButtonMonitor = AddButton(grid, "ButtonMonitor", tr("Traffic m&onitor"), 1, 3);
    ButtonServiceReport = AddButton(grid, "ButtonServiceReport", tr("S&ervice report..."), 1, 4);
    ButtonServiceReport->setToolTip(tr("Service report (Ctrl+P)"));
    ButtonFilesFolder = AddButton(grid, "ButtonFilesFolder", tr("Open &files folder"), 1, 2);
    ButtonFilesFolder->setToolTip(tr("Settings, reports and service reports"));

    Button7 = AddButton(grid, "Button7", tr("Get samp."), 2, 0, false);
    ButtonSetSlave = AddButton(grid, "ButtonSetSlave", tr("Set s&laves"), 2, 1);
    SpinEditSlave = MakeSpinEdit("SpinEditSlave", 0, 4, 0);
    SpinEditSlave->setAccessibleName(tr("Number of slaves"));
    grid->addWidget(SpinEditSlave, 2, 2, Qt::AlignBottom);
    SpinEditRefresh = MakeSpinEdit("SpinEditRefresh", 100, 10000, 1000);
    SpinEditRefresh->setSuffix(QStringLiteral(" ms"));
    SpinEditRefresh->setSingleStep(100);
    AddLabelled(grid, SpinEditRefresh, tr("&Refresh"), 2, 3);
    CheckBoxUDP = new QCheckBox(tr("&UDP"), panel);
    CheckBoxUDP->setObjectName(QStringLiteral("CheckBoxUDP"));
    grid->addWidget(CheckBoxUDP, 2, 4, Qt::AlignBottom);
    EditIP = new QLineEdit(QString::fromLatin1(DefaultServerAddress), panel);
    EditIP->setObjectName(QStringLiteral("EditIP"));
    EditIP->setEnabled(false);
    AddLabelled(grid, EditIP, tr("I&P address"), 2, 5);

    for (int column = 0; column < 6; ++column) {
        grid->setColumnStretch(column, 1);
    }
    BuildMemo();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(Memo1, 1);
}

QPushButton* TCommunicationPage::AddButton(QGridLayout* grid, const char* name,
                                           const QString& caption, int row, int column,
                                           bool visible) {
    auto* button = new QPushButton(caption, grid->parentWidget());
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    grid->addWidget(button, row, column, Qt::AlignBottom);
    // The hidden buttons exist for service work on the bench; technicians never see them.
    button->setVisible(visible);
    return button;
}

void TCommunicationPage::AddLabelled(QGridLayout* grid, QWidget* control, const QString& label,
                                     int row, int column) {
    auto* cell = new QWidget(grid->parentWidget());
    auto* box = new QVBoxLayout(cell);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(2);
    auto* caption = new QLabel(label, cell);
    caption->setBuddy(control);
    control->setParent(cell);
    box->addWidget(caption);
    box->addWidget(control);
    grid->addWidget(cell, row, column, Qt::AlignBottom);
}

QSpinBox* TCommunicationPage::MakeSpinEdit(const char* name, int minimum, int maximum, int value) {
    auto* spin = new QSpinBox(this);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    spin->setKeyboardTracking(false); // a value takes effect when typing is done, not per digit
    return spin;
}

void TCommunicationPage::BuildMemo() {
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(tr("Communication log"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(17);
    Memo1->setFont(font);
    // A long event or version line wraps at the memo's edge: on a narrow window nothing of it
    // hides past the right border.
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setReadOnly(true);
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Memo1->setTabChangesFocus(true);
}
