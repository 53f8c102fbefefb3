#include "ui/pdf_flow.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTextOption>

#include <algorithm>

namespace {

constexpr int BodyPoints = 9;
constexpr int FooterPoints = 8;

QTextOption Wrapping() {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

} // namespace

TPdfFlow::TPdfFlow(QPdfWriter& writer, QPainter& painter, QString footer, int totalPages)
    : FWriter(writer), FPainter(painter), FFooter(std::move(footer)), FTotalPages(totalPages),
      FWidth(writer.width()), FHeight(writer.height() - 2 * LineHeight(FooterPoints)) {}

void TPdfFlow::Title(const QString& text) {
    Room(LineHeight(16));
    SetFont(16, true);
    DrawWrapped(text, 0, FY, FWidth);
    FY += LineHeight(16);
}

void TPdfFlow::Heading(const QString& text) {
    // Kept with at least one line of what follows it.
    Room(LineHeight(10) / 2 + LineHeight(12) + LineHeight(BodyPoints));
    FY += LineHeight(10) / 2;
    SetFont(12, true);
    DrawWrapped(text, 0, FY, FWidth);
    FY += LineHeight(12);
}

void TPdfFlow::Paragraph(const QString& text, bool bold) {
    SetFont(BodyPoints, bold);
    const int height = std::max(WrappedHeight(text, FWidth), LineHeight(BodyPoints));
    Room(height);
    SetFont(BodyPoints, bold);
    DrawWrapped(text, 0, FY, FWidth);
    FY += height;
}

void TPdfFlow::Pair(const QString& label, const QString& value) {
    SetFont(BodyPoints, false);
    const int x = FWidth * 11 / 40; // where the grid's first values stand
    const int height = std::max(WrappedHeight(value, FWidth - x), LineHeight(BodyPoints));
    Room(height);
    SetFont(BodyPoints, false);
    DrawWrapped(label, FWriter.resolution() / 5, FY, x - FWriter.resolution() / 5);
    DrawWrapped(value, x, FY, FWidth - x);
    FY += height;
}

void TPdfFlow::Grid(const std::vector<std::pair<QString, QString>>& items) {
    const int column = FWidth / 2;
    const int indent = FWriter.resolution() / 5;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const int x = static_cast<int>(i % 2) * column;
        if (i % 2 == 0) {
            Room(LineHeight(BodyPoints));
        }
        SetFont(BodyPoints, false);
        const int valueX = x + column * 11 / 20;
        FPainter.drawText(QRect(x + indent, FY, valueX - x - indent, LineHeight(BodyPoints)),
                          Qt::AlignLeft | Qt::AlignTop, items[i].first);
        FPainter.drawText(QRect(valueX, FY, x + column - valueX, LineHeight(BodyPoints)),
                          Qt::AlignLeft | Qt::AlignTop, items[i].second);
        if (i % 2 == 1 || i + 1 == items.size()) {
            FY += LineHeight(BodyPoints);
        }
    }
}

void TPdfFlow::Picture(const QString& heading, const QImage& image) {
    const int height = image.height() * FWidth / std::max(1, image.width());
    Room(LineHeight(10) / 2 + LineHeight(12) + height);
    Heading(heading);
    FPainter.drawImage(QRect(0, FY, FWidth, height), image);
    FY += height;
}

void TPdfFlow::Table(const QStringList& headings, const std::vector<int>& widths,
                     const std::vector<QStringList>& rows) {
    FTableXs.clear();
    int sum = 0;
    for (int width : widths) {
        FTableXs.push_back(FWidth * sum / 1000);
        sum += width;
    }
    FTableXs.push_back(FWidth);
    // The headings stay with the first row.
    Room(RowHeight(headings, true) + (rows.empty() ? 0 : RowHeight(rows.front(), false)));
    TableRow(headings, FTableXs, true);
    FTableHeadings = headings;
    for (const QStringList& row : rows) {
        TableRow(row, FTableXs, false);
    }
    FTableHeadings.clear();
}

// The height of a row with the gap under it.
int TPdfFlow::RowHeight(const QStringList& cells, bool bold) {
    SetFont(BodyPoints, bold);
    int height = LineHeight(BodyPoints);
    for (int k = 0; k < cells.size(); ++k) {
        height =
            std::max(height, WrappedHeight(cells[k], FTableXs[k + 1] - FTableXs[k] - CellGap()));
    }
    return height + CellGap();
}

int TPdfFlow::CellGap() const {
    return FWriter.resolution() / 20;
}

void TPdfFlow::TableRow(const QStringList& cells, const std::vector<int>& xs, bool bold) {
    const int gap = CellGap();
    const int height = RowHeight(cells, bold) - gap;
    Room(height + gap);
    SetFont(BodyPoints, bold);
    for (int k = 0; k < cells.size(); ++k) {
        DrawWrapped(cells[k], xs[k], FY, xs[k + 1] - xs[k] - gap);
    }
    FY += height + gap;
    if (bold) {
        FPainter.drawLine(0, FY - gap / 2, FWidth, FY - gap / 2);
    }
}

void TPdfFlow::Signatures(const std::vector<std::pair<QString, QString>>& captionsAndNames) {
    const int lineGap = LineHeight(BodyPoints) * 4; // room to sign above the line
    Room(lineGap + 3 * LineHeight(BodyPoints));
    FY += lineGap;
    const int count = static_cast<int>(captionsAndNames.size());
    const int column = FWidth / std::max(1, count);
    const int gap = FWriter.resolution() / 4;
    SetFont(BodyPoints, false);
    for (int k = 0; k < count; ++k) {
        const int x = k * column;
        FPainter.drawLine(x, FY, x + column - gap, FY);
        const auto& [caption, name] = captionsAndNames[static_cast<std::size_t>(k)];
        DrawWrapped(caption, x, FY + LineHeight(BodyPoints) / 4, column - gap);
        DrawWrapped(name, x, FY + LineHeight(BodyPoints) * 5 / 4, column - gap);
    }
    FY += 3 * LineHeight(BodyPoints);
}

int TPdfFlow::Finish() {
    Footer();
    return FPage;
}

void TPdfFlow::SetFont(int points, bool bold) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSize(points);
    font.setBold(bold);
    FPainter.setFont(font);
}

int TPdfFlow::LineHeight(int points) const {
    return points * FWriter.resolution() * 14 / (72 * 10);
}

int TPdfFlow::WrappedHeight(const QString& text, int width) const {
    return static_cast<int>(
        FPainter.boundingRect(QRectF(0, 0, std::max(1, width), 1e6), text, Wrapping()).height() +
        0.999);
}

void TPdfFlow::DrawWrapped(const QString& text, int x, int y, int width) {
    FPainter.drawText(QRectF(x, y, std::max(1, width), FHeight), text, Wrapping());
}

void TPdfFlow::Room(int height) {
    if (FY + height > FHeight && FY > 0) {
        NewPage();
        if (!FTableHeadings.isEmpty()) {
            TableRow(FTableHeadings, FTableXs, true);
        }
    }
}

void TPdfFlow::NewPage() {
    Footer();
    FWriter.newPage();
    ++FPage;
    FY = 0;
}

void TPdfFlow::Footer() {
    const QFont saved = FPainter.font();
    SetFont(FooterPoints, false);
    const int y = FHeight + LineHeight(FooterPoints);
    const QRect area(0, y, FWidth, LineHeight(FooterPoints));
    FPainter.drawLine(0, y - LineHeight(FooterPoints) / 4, FWidth,
                      y - LineHeight(FooterPoints) / 4);
    FPainter.drawText(area, Qt::AlignLeft | Qt::AlignTop, FFooter);
    const QString page =
        FTotalPages > 0
            ? QCoreApplication::translate("TPdfFlow", "Page %1 of %2").arg(FPage).arg(FTotalPages)
            : QCoreApplication::translate("TPdfFlow", "Page %1").arg(FPage);
    FPainter.drawText(area, Qt::AlignRight | Qt::AlignTop, page);
    FPainter.setFont(saved);
}
