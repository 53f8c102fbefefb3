#pragma once
// Marks a status page whose values are old: its texts are greyed and a note on the page gives
// the time of the last reply. The page's own layout is left alone; the note floats at its top.

#include <QObject>
#include <QPalette>

class QLabel;
class QWidget;

class TStaleMarker : public QObject {
    Q_OBJECT
public:
    explicit TStaleMarker(QWidget* page);

    // lastReply: "13:45:12", or empty when no reply came yet.
    void SetStale(bool stale, const QString& lastReply);
    bool Stale() const { return FStale; }
    // The note, for tests and screen readers (null until first marked).
    QLabel* Note() const { return FNote; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceNote();

    QWidget* FPage;
    QLabel* FNote = nullptr;
    QPalette FLivePalette;
    bool FStale = false;
};
