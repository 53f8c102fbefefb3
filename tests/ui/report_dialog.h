#pragma once
// Answers the dialog "Service report..." opens before it writes: with the hand-over's values, or
// as it comes (null). Header only: each window test is a program of its own.

#include "hung_run.h"
#include "model/service_report.h"
#include "ui/main_window.h"
#include "ui/service_report_command.h"
#include "ui/service_report_dialog.h"

#include <QtTest>

inline void AnswerReportDialog(TForm1& form, const TReportHandover* values) {
    TServiceReportDialog* dialog = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((dialog = form.ServiceReport().Dialog()) && dialog->isVisible(),
                             HungRunMs);
    if (values != nullptr) {
        dialog->SetValues(*values);
    }
    dialog->accept();
}
