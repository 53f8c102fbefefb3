#pragma once
// The text of a PDF file as pdftotext lays it out, for window tests that read back a report.
// Header only: each window test is a program of its own.

#include <QProcess>
#include <QString>

inline QString PdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"});
    if (!pdftotext.waitForFinished(30000)) {
        return {};
    }
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}
