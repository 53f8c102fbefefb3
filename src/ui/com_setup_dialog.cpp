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
#include <QVBoxLayout>

#include <optional>

namespace {

QString Translated(const char* text) {
    return QString::fromStdString(TranslateComPort(text));
}

template <std::size_t N> std::vector<std::string> Entries(const std::array<const char*, N>& texts) {
    return {texts.begin(), texts.end()};
}

} // namespace

TComSetupFrm::TComSetupFrm(const TComPort& port, const std::vector<std::string>& portNames,
                           QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("ComSetupFrm"));
    setWindowTitle(Translated("Setup"));
    auto* group = new QGroupBox(Translated(" Settings "), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(group);

    Combo1 = AddList(grid, 0, "Combo1", "Port", portNames, port.Port());
    Combo2 = AddList(grid, 1, "Combo2", "Baud rate", Entries(BaudRateTexts),
                     BaudRateToStr(port.BaudRate()));
    Combo3 = AddList(grid, 2, "Combo3", "Data bits", Entries(DataBitsTexts),
                     DataBitsToStr(port.DataBits()));
    Combo4 = AddList(grid, 3, "Combo4", "Stop bits", Entries(StopBitsTexts),
                     StopBitsToStr(port.StopBits()));
    Combo5 =
        AddList(grid, 4, "Combo5", "Parity", Entries(ParityTexts), ParityToStr(port.Parity().Bits));
    Combo6 = AddList(grid, 5, "Combo6", "Flow control", Entries(FlowControlTexts),
                     FlowControlToStr(port.FlowControl().FlowControl()));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Translated("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(Translated("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Button2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
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
        if (auto text = selected(Combo1)) {
            port.SetPort(*text);
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

void ShowComSetupDialog(TComPort& port, QWidget* parent) {
    TComSetupFrm dialog(port, EnumComPorts(), parent);
    if (dialog.exec() == QDialog::Accepted) {
        dialog.ApplyTo(port);
    }
}
