#include "ui/com_setup_dialog.h"

#include "transport/com_port.h"
#include "transport/com_port_list.h"
#include "transport/com_translation.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

QString Translated(const char* text) {
    return QString::fromStdString(TranslateComPort(text));
}

template <std::size_t N> std::vector<std::string> Entries(const std::array<const char*, N>& texts) {
    return {texts.begin(), texts.end()};
}

} // namespace

TComSetupFrm::TComSetupFrm(const TComPort& port, TComPortLister lister, QWidget* parent)
    : QDialog(parent), FLister(std::move(lister)) {
    setObjectName(QStringLiteral("ComSetupFrm"));
    setWindowTitle(Translated("Setup"));
    auto* group = new QGroupBox(Translated(" Settings "), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(group);

    Combo1 = AddPortList(grid);
    FPresent = FLister();
    FLinks = EnumComPortLinks();
    FillPorts(port.Port());
    Combo2 = AddList(grid, 2, "Combo2", "Baud rate", Entries(BaudRateTexts),
                     BaudRateToStr(port.BaudRate()));
    Combo3 = AddList(grid, 3, "Combo3", "Data bits", Entries(DataBitsTexts),
                     DataBitsToStr(port.DataBits()));
    Combo4 = AddList(grid, 4, "Combo4", "Stop bits", Entries(StopBitsTexts),
                     StopBitsToStr(port.StopBits()));
    Combo5 =
        AddList(grid, 5, "Combo5", "Parity", Entries(ParityTexts), ParityToStr(port.Parity().Bits));
    Combo6 = AddList(grid, 6, "Combo6", "Flow control", Entries(FlowControlTexts),
                     FlowControlToStr(port.FlowControl().FlowControl()));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Translated("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(Translated("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Button2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TComSetupFrm::OkClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    LabelError = new QLabel(this);
    LabelError->setObjectName(QStringLiteral("LabelError"));
    LabelError->setStyleSheet(QStringLiteral("QLabel { color: #B00000; }"));
    LabelError->setWordWrap(true);
    LabelError->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(LabelError);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TComSetupFrm::TComSetupFrm(const TComPort& port, const std::vector<std::string>& portNames,
                           QWidget* parent)
    : TComSetupFrm(
          port,
          [portNames] {
              std::vector<TComPortInfo> ports;
              for (const std::string& name : portNames) {
                  ports.push_back(TComPortInfo{name, {}, {}, {}, {}, {}});
              }
              return ports;
          },
          parent) {}

// The port list takes a typed path too: a pseudo-terminal, a /dev/serial/by-id/ link, or an
// adapter that is not plugged in yet.
QComboBox* TComSetupFrm::AddPortList(QGridLayout* grid) {
    QWidget* parent = grid->parentWidget();
    auto* list = new QComboBox(parent);
    list->setObjectName(QStringLiteral("Combo1"));
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    FPortModel = new QStandardItemModel(0, 2, list);
    list->setModel(FPortModel);
    auto* view = new QTreeView(list);
    view->setHeaderHidden(true);
    view->setRootIsDecorated(false);
    view->setAllColumnsShowFocus(true);
    list->setView(view);
    auto* caption = new QLabel(Translated("Port"), parent);
    caption->setBuddy(list);
    list->setAccessibleName(caption->text());
    ButtonRefresh = new QPushButton(Translated("Refresh"), parent);
    ButtonRefresh->setObjectName(QStringLiteral("ButtonRefresh"));
    ButtonRefresh->setAutoDefault(false);
    LabelPortInfo = new QLabel(parent);
    LabelPortInfo->setObjectName(QStringLiteral("LabelPortInfo"));
    grid->addWidget(caption, 0, 0);
    grid->addWidget(list, 0, 1);
    grid->addWidget(ButtonRefresh, 0, 2, Qt::AlignLeft);
    grid->addWidget(LabelPortInfo, 1, 1, 1, 2);
    connect(ButtonRefresh, &QPushButton::clicked, this, [this] {
        try {
            RefreshPorts();
            LabelError->setVisible(false);
        } catch (const std::exception& error) { // the list stays as it was
            ShowError(error);
        }
    });
    connect(list, &QComboBox::currentTextChanged, this, &TComSetupFrm::ShowPortInfo);
    return list;
}

// The present devices, then the wanted port when it is not among them, marked absent.
void TComSetupFrm::FillPorts(const std::string& wanted) {
    FPortModel->removeRows(0, FPortModel->rowCount());
    auto addRow = [this](const std::string& path, const QString& about, bool present) {
        auto* name = new QStandardItem(QString::fromStdString(path));
        auto* info = new QStandardItem(about);
        name->setToolTip(about);
        info->setToolTip(about);
        if (!present) {
            QFont font = name->font();
            font.setItalic(true);
            name->setFont(font);
            info->setFont(font);
        }
        FPortModel->appendRow({name, info});
    };
    bool found = wanted.empty();
    for (const TComPortInfo& port : FPresent) {
        addRow(port.Path, QString::fromStdString(port.Description()), true);
        found = found || port.Path == wanted;
    }
    for (const TComPortLink& link : FLinks) {
        bool present = false;
        addRow(link.Path, About(link.Path, present), present);
        found = found || link.Path == wanted;
    }
    if (!found) {
        bool present = false;
        const QString about = About(wanted, present);
        addRow(wanted, about, present);
    }
    Combo1->setCurrentIndex(Combo1->findText(QString::fromStdString(wanted)));
    Combo1->view()->setMinimumWidth(Combo1->view()->sizeHintForColumn(0) +
                                    Combo1->view()->sizeHintForColumn(1) + 24);
    static_cast<QTreeView*>(Combo1->view())->resizeColumnToContents(0);
    FitPortField();
    ShowPortInfo();
}

// A listed device, a link (with the device it leads to and what is known of that), any other
// path a device answers to (a pseudo-terminal, the port held open now), or "not present".
QString TComSetupFrm::About(const std::string& path, bool& present) const {
    present = false;
    if (path.empty()) {
        return {};
    }
    const auto described = [this](const std::string& device) -> const TComPortInfo* {
        for (const TComPortInfo& port : FPresent) {
            if (port.Path == device) {
                return &port;
            }
        }
        return nullptr;
    };
    if (const TComPortInfo* port = described(path)) {
        present = true;
        return QString::fromStdString(port->Description());
    }
    present = ComPortPresent(path);
    if (!present) {
        return Translated("not present");
    }
    const std::string target = LinkTarget(path);
    if (target.empty()) {
        return {};
    }
    const TComPortInfo* port = described(target);
    const std::string description = port != nullptr ? port->Description() : std::string();
    return QString::fromStdString("\u2192 " + target + (description.empty() ? "" : ", ") +
                                  description);
}

// Wide enough for the longest path listed, so a /dev/serial/by-id/ name shows whole.
void TComSetupFrm::FitPortField() {
    int widest = 0;
    for (int row = 0; row < Combo1->count(); ++row) {
        widest = std::max(widest, Combo1->fontMetrics().horizontalAdvance(Combo1->itemText(row)));
    }
    QStyleOptionComboBox option;
    option.initFrom(Combo1);
    option.editable = true;
    const int textMargins = 8; // the edit's own margins around its text
    Combo1->setMinimumWidth(
        Combo1->style()
            ->sizeFromContents(QStyle::CT_ComboBox, &option,
                               QSize(widest + textMargins, Combo1->fontMetrics().height()), Combo1)
            .width());
}

void TComSetupFrm::ShowError(const std::exception& error) {
    LabelError->setText(QString::fromLocal8Bit(error.what()));
    LabelError->setVisible(true);
}

void TComSetupFrm::OkClick() {
    if (FApply) {
        try {
            FApply();
        } catch (const std::exception& error) { // the dialog stays open to try another setting
            ShowError(error);
            return;
        }
    }
    accept();
}

void TComSetupFrm::RefreshPorts() {
    const std::string wanted = Combo1->currentText().trimmed().toStdString();
    FPresent = FLister();
    FLinks = EnumComPortLinks();
    FillPorts(wanted);
    Combo1->setEditText(QString::fromStdString(wanted)); // a typed path stays as typed
}

void TComSetupFrm::ShowPortInfo() {
    const std::string text = Combo1->currentText().trimmed().toStdString();
    bool present = false;
    const QString about = About(text, present);
    LabelPortInfo->setText(about);
    Combo1->setToolTip(about);
}

QComboBox* TComSetupFrm::AddList(QGridLayout* grid, int row, const char* name, const char* label,
                                 const std::vector<std::string>& entries,
                                 const std::string& current) {
    auto* list = new QComboBox(grid->parentWidget());
    list->setObjectName(QString::fromLatin1(name));
    list->setEditable(false);
    for (const std::string& entry : entries) {
        list->addItem(QString::fromStdString(entry));
    }
    // A value that is not among the entries shows no selection.
    list->setCurrentIndex(list->findText(QString::fromStdString(current), Qt::MatchFixedString));
    auto* caption = new QLabel(Translated(label), grid->parentWidget());
    caption->setBuddy(list);
    list->setAccessibleName(caption->text()); // a screen reader names the list, not its value
    grid->addWidget(caption, row, 0);
    grid->addWidget(list, row, 1);
    return list;
}

void TComSetupFrm::ApplyTo(TComPort& port) const {
    auto selected = [](const QComboBox* list) -> std::optional<std::string> {
        if (list->currentIndex() < 0) {
            return std::nullopt;
        }
        return list->currentText().toStdString();
    };
    port.BeginUpdate();
    try {
        // The port may be typed; an empty field leaves it unchanged.
        if (const QString text = Combo1->currentText().trimmed(); !text.isEmpty()) {
            port.SetPort(text.toStdString());
        }
        if (auto text = selected(Combo2)) {
            port.SetBaudRate(StrToBaudRate(*text));
        }
        if (auto text = selected(Combo3)) {
            port.SetDataBits(StrToDataBits(*text));
        }
        if (auto text = selected(Combo4)) {
            port.SetStopBits(StrToStopBits(*text));
        }
        if (auto text = selected(Combo5)) {
            TComParity parity = port.Parity();
            parity.Bits = StrToParity(*text);
            port.SetParity(parity);
        }
        if (auto text = selected(Combo6)) {
            TComFlowControl flow = port.FlowControl();
            flow.SetFlowControl(StrToFlowControl(*text));
            port.SetFlowControl(flow);
        }
    } catch (...) {
        port.EndUpdate();
        throw;
    }
    port.EndUpdate();
}

namespace {

// The port's settings and whether it was open, as they were when the dialog opened.
struct TPortBefore {
    std::string Port;
    TBaudRate BaudRate;
    int32_t CustomBaudRate;
    TDataBits DataBits;
    TStopBits StopBits;
    TComParity Parity;
    TComFlowControl FlowControl;
    bool Open;

    explicit TPortBefore(const TComPort& port)
        : Port(port.Port()), BaudRate(port.BaudRate()), CustomBaudRate(port.CustomBaudRate()),
          DataBits(port.DataBits()), StopBits(port.StopBits()), Parity(port.Parity()),
          FlowControl(port.FlowControl()), Open(port.Connected()) {}

    // Puts the settings back and opens the port again when it was open; raises what Open
    // raises.
    void Restore(TComPort& port) const {
        port.BeginUpdate();
        try {
            port.SetPort(Port);
            port.SetBaudRate(BaudRate);
            port.SetCustomBaudRate(CustomBaudRate);
            port.SetDataBits(DataBits);
            port.SetStopBits(StopBits);
            port.SetParity(Parity);
            port.SetFlowControl(FlowControl);
        } catch (...) {
            port.EndUpdate();
            throw;
        }
        port.EndUpdate();
        if (Open && !port.Connected()) {
            port.Open();
        }
    }
};

} // namespace

void ShowComSetupDialog(TComPort& port, QWidget* parent) {
    TComSetupFrm dialog(
        port, [] { return EnumComPortInfos(); }, parent);
    const TPortBefore before(port);
    bool applied = false;
    dialog.SetApply([&dialog, &port, &applied] {
        applied = true;
        dialog.ApplyTo(port);
    });
    // Cancel after an OK that failed undoes what that OK changed: the port that worked is
    // open again, not left on a path that leads nowhere.
    if (dialog.exec() != QDialog::Accepted && applied) {
        before.Restore(port);
    }
}
