#pragma once
// The service report on paper: an A4 PDF made with Qt's own PDF writer from the content the core
// gathered (model/service_report.h). The layout is all that is decided here: the header (the
// installation, the customer, the technician), the summary a customer reads first, the remarks,
// one section per device, the events as a table, the supply voltages' chart, the link's
// statistics and the lines to sign, with "Page n of m" on every page. The PDF's title, author
// (the technician) and subject are set in its document information.

#include <QByteArray>
#include <QImage>

struct TServiceReport;

// The whole PDF, in memory: the caller writes it to disk. `chart` is the voltage chart's picture
// (its legend and units drawn in); a null image leaves the chart out. Raises EOrvant when the
// PDF cannot be made whole (the writer failed, the document came out empty or cut short).
QByteArray ServiceReportPdf(const TServiceReport& report, const QImage& chart);

// How the report names the installation: its name when it has one, else its ID.
QString InstallationTitle(const TServiceReport& report);
