#pragma once
// The small dialog before a service report is made: the technician's name and company, the
// customer's name and remarks, every field optional. It holds the window only for itself (it is
// window-modal and opened without a nested event loop): the link goes on working meanwhile.

#include "model/service_report.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

class TServiceReportDialog : public QDialog {
    Q_OBJECT
public:
    explicit TServiceReportDialog(QWidget* parent);

    void SetValues(const TReportHandover& values);
    TReportHandover Values() const; // trimmed, UTF-8

    QLineEdit* EditTechnician;
    QLineEdit* EditCompany;
    QLineEdit* EditCustomer;
    QPlainTextEdit* MemoRemarks;
};
