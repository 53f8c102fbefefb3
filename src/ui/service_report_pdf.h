#pragma once
// The service report on paper: an A4 PDF written with Qt's own PDF writer from the content the
// core gathered (model/service_report.h). The layout is all that is decided here: a heading, the
// installation and the visit, one section per device, the events, the supply voltages' chart and
// the link's statistics, flowing onto further pages as needed.

#include <QImage>
#include <QString>

struct TServiceReport;

// Writes the report to `path` (replacing a file there). `chart` is the voltage chart's picture
// (its legend and units drawn in); a null image leaves the chart out. Raises EOrvant when
// the file cannot be written.
void WriteServiceReportPdf(const TServiceReport& report, const QImage& chart, const QString& path);
