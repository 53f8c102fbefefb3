#pragma once
// What a program prints about a PDF file (pdftotext's text as laid out, pdfinfo's document
// information), for window tests that read back a report. Header only: each window test is a
// program of its own.

#include "hung_run.h"

#include <QProcess>
#include <QString>
#include <QStringList>

inline QString ProgramOutput(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(HungRunMs)) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline QString PdfText(const QString& path) {
    return ProgramOutput(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"});
}
