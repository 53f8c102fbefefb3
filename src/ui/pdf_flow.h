#pragma once
// Lays text out on the pages of a PDF from the top down, starting a new page when the next block
// would not fit: titles, headings, wrapped paragraphs, label and value pairs, two-column grids,
// pictures, tables whose rows wrap (their headings repeated on every page) and signature lines.
// Every page gets a footer: a text of the document's on the left and "Page n of m" on the right.
// The number of pages is known only once everything is laid out, so a document is laid out
// twice: first to count its pages (total 0), then for good.

#include <QPdfWriter>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class QImage;
class QPainter;

class TPdfFlow {
public:
    // `totalPages` 0: not known yet, the footer says "Page n" only.
    TPdfFlow(QPdfWriter& writer, QPainter& painter, QString footer, int totalPages);

    void Title(const QString& text);
    void Heading(const QString& text);
    // Wrapped at the right margin (at word boundaries, or anywhere in a word too long).
    void Paragraph(const QString& text, bool bold = false);
    // A label and its value beside it; a long value wraps under itself.
    void Pair(const QString& label, const QString& value);
    // Labels and values in two columns, filled row by row.
    void Grid(const std::vector<std::pair<QString, QString>>& items);
    // A heading and a picture under it, kept on one page.
    void Picture(const QString& heading, const QImage& image);
    // Columns of the given widths (thousandths of the page's width, together 1000) under bold
    // headings; every cell wraps within its column, and a row is never split over two pages.
    void Table(const QStringList& headings, const std::vector<int>& widths,
               const std::vector<QStringList>& rows);
    // Lines to sign on, side by side, each with its caption and name under it.
    void Signatures(const std::vector<std::pair<QString, QString>>& captionsAndNames);
    // Draws the last page's footer; the number of pages.
    int Finish();

private:
    void SetFont(int points, bool bold);
    int LineHeight(int points) const;
    int WrappedHeight(const QString& text, int width) const;
    void DrawWrapped(const QString& text, int x, int y, int width);
    void TableRow(const QStringList& cells, const std::vector<int>& xs, bool bold);
    int RowHeight(const QStringList& cells, bool bold);
    int CellGap() const;
    void Room(int height);
    void NewPage();
    void Footer();

    QPdfWriter& FWriter;
    QPainter& FPainter;
    QString FFooter;
    int FTotalPages;
    int FWidth;
    int FHeight; // of the text area, above the footer
    int FY = 0;
    int FPage = 1;
    // The headings of the table being laid out, repeated at the top of a new page.
    QStringList FTableHeadings;
    std::vector<int> FTableXs;
};
