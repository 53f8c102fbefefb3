#include "ui/service_report_pdf.h"

#include "core/errors.h"
#include "model/event_record.h"
#include "model/service_report.h"
#include "store/pdf_document_info.h"
#include "ui/panel_text.h"
#include "ui/pdf_flow.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <utility>
#include <vector>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("TServiceReport", text);
}

QString Ascii(const std::string& text) {
    return QString::fromStdString(text);
}

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString OrDash(const QString& text) {
    return text.isEmpty() ? QStringLiteral("-") : text;
}

void WriteHeader(TPdfFlow& flow, const TServiceReport& r) {
    flow.Title(Tr("Service report: %1").arg(InstallationTitle(r)));
    if (!r.InstallationName.empty()) {
        flow.Pair(Tr("Installation"), Utf8(r.InstallationName));
    }
    if (!r.InstallationSite.empty()) {
        flow.Pair(Tr("Site"), Utf8(r.InstallationSite));
    }
    flow.Pair(Tr("Installation ID"), Ascii(r.InstallationId));
    flow.Pair(Tr("Customer"), OrDash(Utf8(r.Handover.Customer)));
    QString technician = Utf8(r.Handover.Technician);
    if (!r.Handover.Company.empty()) {
        technician +=
            (technician.isEmpty() ? QString() : QStringLiteral(", ")) + Utf8(r.Handover.Company);
    }
    flow.Pair(Tr("Technician"), OrDash(technician));
    flow.Pair(Tr("Date and PC time"), Ascii(EventTimeText(r.PcTime)));
}

// What a customer reads first: the state now, the visit's events in numbers, the clock.
void WriteSummary(TPdfFlow& flow, const TServiceReport& r) {
    const TReportSummary& s = r.Summary;
    flow.Heading(Tr("Summary"));
    flow.Paragraph(Tr("State of the installation: %1").arg(DecodePanelText(s.State)), true);
    flow.Pair(Tr("Alarms"), QString::number(s.Alarms));
    flow.Pair(Tr("Faults"), QString::number(s.Faults));
    flow.Pair(Tr("Extinguishings"), QString::number(s.Extinguishings));
    flow.Paragraph(Tr("(counted in the events this report lists)"));
    flow.Pair(Tr("Panel clock"), Ascii(r.PanelClock));
    flow.Pair(Tr("Firmware version"),
              r.VersionRead ? DecodePanelText(r.Version) : Ascii(r.Version));
    if (!r.Handover.Remarks.empty()) {
        flow.Heading(Tr("Remarks"));
        flow.Paragraph(Utf8(r.Handover.Remarks));
    }
}

std::vector<std::pair<QString, QString>> Pairs(const std::vector<TReportItem>& items) {
    std::vector<std::pair<QString, QString>> out;
    for (const TReportItem& item : items) {
        out.emplace_back(Ascii(item.Label), Ascii(item.Text));
    }
    return out;
}

void Items(TPdfFlow& flow, const QString& label, const std::vector<std::string>& items) {
    QStringList list;
    for (const std::string& item : items) {
        list.push_back(Ascii(item));
    }
    flow.Pair(label, list.isEmpty() ? Tr("none") : list.join(QStringLiteral(", ")));
}

void WriteDevice(TPdfFlow& flow, const TDeviceReport& d) {
    flow.Heading(Tr("%1, ID %2").arg(Ascii(d.Name), Ascii(d.Id)));
    flow.Grid(Pairs(d.States));
    flow.Grid(Pairs(d.Values));
    Items(flow, Tr("Outputs active"), d.Outputs);
    Items(flow, Tr("LEDs lit"), d.Leds);
    Items(flow, Tr("Faults present"), d.Faults);
}

// The counts by category first, then what picked the records, then the records.
void WriteEvents(TPdfFlow& flow, const TReportEvents& events) {
    flow.Heading(Tr("Events"));
    flow.Paragraph(Ascii(events.Scope));
    for (const TReportItem& item : events.Selection) {
        flow.Pair(Ascii(item.Label), DecodePanelText(item.Text));
    }
    std::vector<std::pair<QString, QString>> counts;
    for (int c = 0; c < EventCategoryCount; ++c) {
        counts.emplace_back(QString::fromLatin1(EventCategoryName(static_cast<TEventCategory>(c))),
                            QString::number(events.CategoryCounts[static_cast<std::size_t>(c)]));
    }
    flow.Grid(counts);
    if (events.Rows.empty()) {
        flow.Paragraph(Tr("No event records."));
        return;
    }
    std::vector<QStringList> rows;
    for (const TReportEventRow& row : events.Rows) {
        rows.push_back({Ascii(row.Time), Ascii(row.Unit), Ascii(row.Category), Ascii(row.Code),
                        DecodePanelText(row.Text)});
    }
    flow.Table({Tr("Time"), Tr("Unit"), Tr("Category"), Tr("Code"), Tr("Text")},
               {220, 150, 200, 60, 370}, rows);
}

void WriteLink(TPdfFlow& flow, const TReportLink& link) {
    flow.Heading(Tr("Link statistics"));
    flow.Pair(Tr("Polls sent"), QString::number(link.PollsSent));
    flow.Pair(Tr("Status replies"), QString::number(link.StatusReplies));
    flow.Pair(Tr("Replies decoded"), QString::number(link.RepliesDecoded));
    flow.Pair(Tr("Bad frames"), QString::number(link.BadFrames));
    flow.Pair(Tr("Ignored datagrams"), QString::number(link.IgnoredDatagrams));
    flow.Pair(Tr("Late replies"), QString::number(link.UnawaitedReplies));
}

void WriteSignatures(TPdfFlow& flow, const TServiceReport& r) {
    flow.Signatures({{Tr("Technician"), Utf8(r.Handover.Technician)},
                     {Tr("Customer"), Utf8(r.Handover.Customer)}});
}

// Lays the whole report out; the number of pages it took.
int Render(QPdfWriter& writer, const TServiceReport& report, const QImage& chart, int totalPages) {
    QPainter painter;
    if (!painter.begin(&writer)) {
        throw EOrvant("The service report's PDF could not be started");
    }
    TPdfFlow flow(writer, painter,
                  Tr("Service report %1, %2")
                      .arg(InstallationTitle(report), Ascii(EventTimeText(report.PcTime))),
                  totalPages);
    WriteHeader(flow, report);
    WriteSummary(flow, report);
    for (const TDeviceReport& device : report.Devices) {
        WriteDevice(flow, device);
    }
    WriteEvents(flow, report.Events);
    if (!chart.isNull()) {
        flow.Picture(Tr("Supply voltages during the visit"), chart);
    }
    WriteLink(flow, report.Link);
    WriteSignatures(flow, report);
    const int pages = flow.Finish();
    if (!painter.end()) {
        throw EOrvant("The service report's PDF could not be finished");
    }
    return pages;
}

QByteArray RenderToBytes(const TServiceReport& report, const QImage& chart, int totalPages,
                         int* pages) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(Tr("Service report %1").arg(InstallationTitle(report)));
    writer.setCreator(QStringLiteral("Orvant2"));
    *pages = Render(writer, report, chart, totalPages);
    buffer.close();
    return buffer.data();
}

} // namespace

QString InstallationTitle(const TServiceReport& report) {
    return report.InstallationName.empty() ? Ascii(report.InstallationId)
                                           : Utf8(report.InstallationName);
}

QByteArray ServiceReportPdf(const TServiceReport& report, const QImage& chart) {
    int pages = 0;
    RenderToBytes(report, chart, 0, &pages); // counts the pages
    int written = 0;
    const QByteArray pdf = RenderToBytes(report, chart, pages, &written);
    std::string bytes = pdf.toStdString();
    TPdfDocumentInfo info;
    info.Title = Tr("Service report %1").arg(InstallationTitle(report)).toStdString();
    info.Author = report.Handover.Technician;
    const QString date = Ascii(EventTimeText(report.PcTime));
    info.Subject = (report.InstallationName.empty()
                        ? Tr("Service visit of the Orvant installation %1 on %2")
                              .arg(Ascii(report.InstallationId), date)
                        : Tr("Service visit of the Orvant installation %1 (ID %2) on %3")
                              .arg(InstallationTitle(report), Ascii(report.InstallationId), date))
                       .toStdString();
    info.Creator = "Orvant2";
    if (written != pages || !AddDocumentInfo(bytes, info)) {
        throw EOrvant("The service report's PDF came out incomplete");
    }
    return QByteArray::fromStdString(bytes);
}
