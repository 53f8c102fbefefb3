#include "ui/desktop_open.h"

#include "ui/error_display.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

TDesktopOpen::TDesktopOpen(TErrorDisplay& errors, QObject* parent)
    : QObject(parent), FErrors(errors) {}

// An opener still running (xdg-open may wait for the program it started) is let go: ending it
// with the window would close what the technician is looking at.
TDesktopOpen::~TDesktopOpen() {
    for (QProcess* process : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        if (process->state() != QProcess::NotRunning) {
            process->disconnect();
            process->setParent(nullptr);
        }
    }
}

void TDesktopOpen::OpenFile(const QString& path) {
    Open(path, QFileInfo(path).absolutePath());
}

void TDesktopOpen::OpenFolder(const QString& folder) {
    Open(folder, QString());
}

void TDesktopOpen::Open(const QString& path, const QString& fallbackFolder) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        // No xdg-open: Qt's own way (a desktop portal, say), which says only whether it tried.
        if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
            emit Answered(path, true);
        } else {
            Failed(path, fallbackFolder, tr("xdg-open is not installed"));
        }
        return;
    }
    auto* process = new QProcess(this);
    process->setProgram(opener);
    process->setArguments({path});
    process->setProcessChannelMode(QProcess::MergedChannels);
    connect(process, &QProcess::finished, this,
            [this, process, path, fallbackFolder](int code, QProcess::ExitStatus status) {
                process->deleteLater();
                if (status == QProcess::NormalExit && code == 0) {
                    emit Answered(path, true);
                    return;
                }
                const QString output = QString::fromLocal8Bit(process->readAll()).trimmed();
                Failed(path, fallbackFolder,
                       tr("xdg-open ended with %1%2")
                           .arg(code)
                           .arg(output.isEmpty() ? QString() : QStringLiteral(": ") + output));
            });
    connect(process, &QProcess::errorOccurred, this,
            [this, process, path, fallbackFolder](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart) {
                    process->deleteLater();
                    Failed(path, fallbackFolder, process->errorString());
                }
            });
    process->start();
}

void TDesktopOpen::Failed(const QString& path, const QString& fallbackFolder, const QString& said) {
    emit Answered(path, false);
    const QString shown = QDir::toNativeSeparators(path);
    if (fallbackFolder.isEmpty()) {
        FErrors.Show(tr("Nothing on this computer can open %1").arg(shown), said);
        return;
    }
    FErrors.Show(tr("No program on this computer opens %1; its folder is shown instead").arg(shown),
                 said);
    Open(fallbackFolder, QString());
}
