#include "ui/window_icon.h"

#include "store/app_paths.h"

#include <QFileInfo>

#include <exception>

QString InstalledIconPath(const std::string& executableDirectory) {
    return QString::fromStdString(DirectoryOf(executableDirectory)) +
           QStringLiteral("/share/icons/hicolor/scalable/apps/orvant2.svg");
}

QIcon FirstDrawableIcon(const QStringList& paths) {
    for (const QString& path : paths) {
        if (!QFileInfo(path).isFile()) {
            continue;
        }
        // An SVG without Qt's SVG engine gives an icon that draws nothing: not taken.
        QIcon icon(path);
        if (!icon.pixmap(32).isNull()) {
            return icon;
        }
    }
    return {};
}

QIcon ToolIcon() {
    QStringList paths;
    try {
        paths << InstalledIconPath(ExecutableDirectory());
    } catch (const std::exception&) {
        // Without the executable's name only the source tree's icon can be found.
    }
    paths << QStringLiteral(ORVANT_SOURCE_ICON);
    return FirstDrawableIcon(paths);
}
