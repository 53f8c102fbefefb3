#pragma once
// Opens a file or a folder in the program the desktop has for it (xdg-open, else Qt's own way
// to the desktop), without waiting for it. When nothing opens it, the one error display says
// so, with what the opener said; a file that no program opens has its folder shown instead.

#include <QObject>
#include <QString>

class QProcess;
class TErrorDisplay;

class TDesktopOpen : public QObject {
    Q_OBJECT
public:
    // `errors` must outlive this object.
    TDesktopOpen(TErrorDisplay& errors, QObject* parent);
    ~TDesktopOpen() override;

    // The file in its program; when there is none, its folder.
    void OpenFile(const QString& path);
    void OpenFolder(const QString& folder);

signals:
    // The opener has answered (for tests): whether it opened `path`.
    void Answered(const QString& path, bool opened);

private:
    void Open(const QString& path, const QString& fallbackFolder);
    void Failed(const QString& path, const QString& fallbackFolder, const QString& said);

    TErrorDisplay& FErrors;
};
