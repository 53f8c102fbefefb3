#pragma once
// The tool's own icon for its windows and the task bar: the installed icon of the hicolor
// theme, found beside the executable's prefix (".../bin/orvant2" with
// ".../share/icons/hicolor/scalable/apps/orvant2.svg"), so a copy installed under any prefix finds
// its own; run from a build, the icon of the source tree. The icon is an SVG: Qt draws it through
// its SVG icon engine (libqt6svg6), which the package depends on.

#include <QIcon>
#include <QString>
#include <QStringList>

#include <string>

// The installed icon's path for an executable in executableDirectory ("" for the root
// directory), whether or not it exists.
QString InstalledIconPath(const std::string& executableDirectory);

// The first of these files that exists and draws; a null icon when none does (the desktop's
// generic icon shows then).
QIcon FirstDrawableIcon(const QStringList& paths);

// The tool's icon for this process: installed beside its executable's prefix, else the source
// tree's it was built from.
QIcon ToolIcon();
