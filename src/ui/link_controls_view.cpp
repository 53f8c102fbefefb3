#include "ui/link_controls_view.h"

#include "ui/communication_page.h"
#include "ui/confirm_question.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

TLinkControlsView::TLinkControlsView(TCommunicationPage& page) : FPage(page) {}

int TLinkControlsView::RefreshValue() const {
    return FPage.SpinEditRefresh->value();
}

int TLinkControlsView::SlavesValue() const {
    return FPage.SpinEditSlave->value();
}

void TLinkControlsView::SetSlavesValue(int slaves) {
    FPage.SpinEditSlave->setValue(slaves);
}

bool TLinkControlsView::UdpChecked() const {
    return FPage.CheckBoxUDP->isChecked();
}

void TLinkControlsView::SetIpEnabled(bool enabled) {
    FPage.EditIP->setEnabled(enabled);
}

bool TLinkControlsView::Confirm(const std::string& question) {
    return ConfirmQuestion(&FPage, QString::fromStdString(question));
}
