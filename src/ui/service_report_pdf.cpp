#include "ui/service_report_pdf.h"

#include "core/errors.h"
#include "model/service_report.h"
#include "ui/panel_text.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <vector>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("TServiceReport", text);
}

QString Ascii(const std::string& text) {
    return QString::fromStdString(text);
}

// Lays text out from the top of a page down, starting a new page when the next block would not
// fit. Sizes are in the writer's device units.
class TPdfFlow {
public:
    TPdfFlow(QPdfWriter& writer, QPainter& painter)
        : FWriter(writer), FPainter(painter), FWidth(writer.width()), FHeight(writer.height()) {}

    void Title(const QString& text) { Write(text, 16, true, 0); }
    void Heading(const QString& text) {
        FY += LineHeight(10) / 2;
        Write(text, 12, true, 0);
    }
    void Line(const QString& text, int indent = 0) { Write(text, 9, false, indent); }
    void Pair(const QString& label, const QString& value) {
        Room(LineHeight(9));
        SetFont(9, false);
        FPainter.drawText(QPoint(Indent(1), FY + Ascent()), label);
        FPainter.drawText(QPoint(FWidth / 3, FY + Ascent()), value);
        FY += LineHeight(9);
    }
    // Several short items on as many lines as needed, separated by commas.
    void Items(const QString& label, const std::vector<QString>& items) {
        QStringList list(items.begin(), items.end());
        Pair(label, list.isEmpty() ? Tr("none") : list.join(QStringLiteral(", ")));
    }
    void Picture(const QImage& image) {
        const int height = image.height() * FWidth / std::max(1, image.width());
        Room(height);
        FPainter.drawImage(QRect(0, FY, FWidth, height), image);
        FY += height;
    }

private:
    void Write(const QString& text, int points, bool bold, int indent) {
        Room(LineHeight(points));
        SetFont(points, bold);
        FPainter.drawText(QPoint(Indent(indent), FY + Ascent()), text);
        FY += LineHeight(points);
    }
    void SetFont(int points, bool bold) {
        QFont font(QStringLiteral("Sans Serif"));
        font.setPointSize(points);
        font.setBold(bold);
        FPainter.setFont(font);
    }
    int Ascent() const { return FPainter.fontMetrics().ascent(); }
    int LineHeight(int points) const { return points * FWriter.resolution() * 14 / (72 * 10); }
    int Indent(int level) const { return level * FWriter.resolution() / 5; }
    void Room(int height) {
        if (FY + height > FHeight && FY > 0) {
            FWriter.newPage();
            FY = 0;
        }
    }

    QPdfWriter& FWriter;
    QPainter& FPainter;
    int FWidth;
    int FHeight;
    int FY = 0;
};

void WriteHeader(TPdfFlow& flow, const TServiceReport& r) {
    flow.Title(Tr("Orvant2 service report"));
    flow.Pair(Tr("Installation ID"), Ascii(r.InstallationId));
    flow.Pair(Tr("Date and PC time"), Ascii(ReportDateTimeText(r.PcTime)));
    flow.Pair(Tr("Panel clock"), Ascii(r.PanelClock));
    flow.Pair(Tr("Firmware version"),
              r.VersionRead ? DecodePanelText(r.Version) : Ascii(r.Version));
}

std::vector<QString> Texts(const std::vector<std::string>& texts) {
    std::vector<QString> out;
    for (const std::string& text : texts) {
        out.push_back(Ascii(text));
    }
    return out;
}

void WriteDevice(TPdfFlow& flow, const TDeviceReport& d) {
    flow.Heading(Tr("%1, ID %2").arg(Ascii(d.Name), Ascii(d.Id)));
    for (const TReportItem& item : d.States) {
        flow.Pair(Ascii(item.Label), Ascii(item.Text));
    }
    for (const TReportItem& item : d.Values) {
        flow.Pair(Ascii(item.Label), Ascii(item.Text));
    }
    flow.Items(Tr("Outputs active"), Texts(d.Outputs));
    flow.Items(Tr("LEDs lit"), Texts(d.Leds));
    flow.Items(Tr("Faults present"), Texts(d.Faults));
}

void WriteEvents(TPdfFlow& flow, const TReportEvents& events) {
    flow.Heading(Tr("Events"));
    flow.Line(Ascii(events.Scope));
    for (int c = 0; c < EventCategoryCount; ++c) {
        flow.Pair(QString::fromLatin1(EventCategoryName(static_cast<TEventCategory>(c))),
                  QString::number(events.CategoryCounts[static_cast<std::size_t>(c)]));
    }
    if (events.Lines.empty()) {
        flow.Line(Tr("No event records."), 1);
    }
    for (const std::string& line : events.Lines) {
        flow.Line(DecodePanelText(line), 1);
    }
}

void WriteLink(TPdfFlow& flow, const TReportLink& link) {
    flow.Heading(Tr("Link statistics"));
    flow.Pair(Tr("Polls sent"), QString::number(link.PollsSent));
    flow.Pair(Tr("Status replies"), QString::number(link.StatusReplies));
    flow.Pair(Tr("Replies decoded"), QString::number(link.RepliesDecoded));
    flow.Pair(Tr("Bad frames"), QString::number(link.BadFrames));
    flow.Pair(Tr("Ignored datagrams"), QString::number(link.IgnoredDatagrams));
    flow.Pair(Tr("Replies nobody waited for"), QString::number(link.UnawaitedReplies));
}

} // namespace

void WriteServiceReportPdf(const TServiceReport& report, const QImage& chart, const QString& path) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(Tr("Service report %1").arg(Ascii(report.InstallationId)));
    writer.setCreator(QStringLiteral("Orvant2"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        throw EOrvant("Cannot write the service report " + path.toStdString());
    }
    TPdfFlow flow(writer, painter);
    WriteHeader(flow, report);
    for (const TDeviceReport& device : report.Devices) {
        WriteDevice(flow, device);
    }
    WriteEvents(flow, report.Events);
    if (!chart.isNull()) {
        flow.Heading(Tr("Supply voltages during the visit"));
        flow.Picture(chart);
    }
    WriteLink(flow, report.Link);
    painter.end();
}
