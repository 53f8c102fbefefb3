#include "ui/service_report_pdf.h"

#include "core/errors.h"
#include "model/event_record.h"
#include "model/service_report.h"
#include "ui/panel_text.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <utility>
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
    // A label and its value beside it; a long value wraps under itself.
    void Pair(const QString& label, const QString& value) {
        SetFont(9, false);
        const int x = FWidth * 11 / 40; // where the grid's first values stand
        const QRect box =
            FPainter.boundingRect(QRect(x, 0, FWidth - x, FHeight), Qt::TextWordWrap, value);
        Room(std::max(box.height(), LineHeight(9)));
        FPainter.drawText(QPoint(Indent(1), FY + Ascent()), label);
        FPainter.drawText(QRect(x, FY, FWidth - x, box.height()), Qt::TextWordWrap, value);
        FY += std::max(box.height(), LineHeight(9));
    }
    // Labels and values in two columns, filled row by row.
    void Grid(const std::vector<std::pair<QString, QString>>& items) {
        SetFont(9, false);
        const int column = FWidth / 2;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const int x = static_cast<int>(i % 2) * column;
            if (i % 2 == 0) {
                Room(LineHeight(9));
            }
            FPainter.drawText(QPoint(x + Indent(1), FY + Ascent()), items[i].first);
            FPainter.drawText(QPoint(x + column * 11 / 20, FY + Ascent()), items[i].second);
            if (i % 2 == 1 || i + 1 == items.size()) {
                FY += LineHeight(9);
            }
        }
    }
    // Several short items on as many lines as needed, separated by commas.
    void Items(const QString& label, const std::vector<QString>& items) {
        QStringList list(items.begin(), items.end());
        Pair(label, list.isEmpty() ? Tr("none") : list.join(QStringLiteral(", ")));
    }
    // A heading and a picture under it, kept on one page.
    void Picture(const QString& heading, const QImage& image) {
        const int height = image.height() * FWidth / std::max(1, image.width());
        Room(LineHeight(10) / 2 + LineHeight(12) + height);
        Heading(heading);
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
    if (!r.InstallationName.empty()) {
        flow.Pair(Tr("Installation"), QString::fromStdString(r.InstallationName));
    }
    if (!r.InstallationSite.empty()) {
        flow.Pair(Tr("Site"), QString::fromStdString(r.InstallationSite));
    }
    flow.Pair(Tr("Date and PC time"), Ascii(EventTimeText(r.PcTime)));
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

std::vector<std::pair<QString, QString>> Pairs(const std::vector<TReportItem>& items) {
    std::vector<std::pair<QString, QString>> out;
    for (const TReportItem& item : items) {
        out.emplace_back(Ascii(item.Label), Ascii(item.Text));
    }
    return out;
}

void WriteDevice(TPdfFlow& flow, const TDeviceReport& d) {
    flow.Heading(Tr("%1, ID %2").arg(Ascii(d.Name), Ascii(d.Id)));
    flow.Grid(Pairs(d.States));
    flow.Grid(Pairs(d.Values));
    flow.Items(Tr("Outputs active"), Texts(d.Outputs));
    flow.Items(Tr("LEDs lit"), Texts(d.Leds));
    flow.Items(Tr("Faults present"), Texts(d.Faults));
}

void WriteEvents(TPdfFlow& flow, const TReportEvents& events) {
    flow.Heading(Tr("Events"));
    flow.Line(Ascii(events.Scope));
    std::vector<std::pair<QString, QString>> counts;
    for (int c = 0; c < EventCategoryCount; ++c) {
        counts.emplace_back(QString::fromLatin1(EventCategoryName(static_cast<TEventCategory>(c))),
                            QString::number(events.CategoryCounts[static_cast<std::size_t>(c)]));
    }
    flow.Grid(counts);
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
    flow.Pair(Tr("Late replies"), QString::number(link.UnawaitedReplies));
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
        flow.Picture(Tr("Supply voltages during the visit"), chart);
    }
    WriteLink(flow, report.Link);
    painter.end();
}
