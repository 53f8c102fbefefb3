#include "ui/service_report_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

std::string Utf8(const QString& text) {
    return text.trimmed().toUtf8().toStdString();
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TServiceReportDialog::TServiceReportDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ServiceReportDialog"));
    setWindowTitle(tr("Service report"));
    setWindowModality(Qt::WindowModal);
    auto* form = new QFormLayout;
    auto addLine = [&](QLineEdit*& edit, const char* name, const QString& label) {
        edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(200);
        form->addRow(label, edit);
    };
    addLine(EditTechnician, "EditTechnician", tr("&Technician"));
    addLine(EditCompany, "EditCompany", tr("C&ompany"));
    addLine(EditCustomer, "EditCustomer", tr("C&ustomer"));
    MemoRemarks = new QPlainTextEdit(this);
    MemoRemarks->setObjectName(QStringLiteral("MemoRemarks"));
    MemoRemarks->setTabChangesFocus(true);
    form->addRow(tr("&Remarks"), MemoRemarks);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&Make report"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void TServiceReportDialog::SetValues(const TReportHandover& values) {
    EditTechnician->setText(FromUtf8(values.Technician));
    EditCompany->setText(FromUtf8(values.Company));
    EditCustomer->setText(FromUtf8(values.Customer));
    MemoRemarks->setPlainText(FromUtf8(values.Remarks));
}

TReportHandover TServiceReportDialog::Values() const {
    return {Utf8(EditTechnician->text()), Utf8(EditCompany->text()), Utf8(EditCustomer->text()),
            Utf8(MemoRemarks->toPlainText())};
}
