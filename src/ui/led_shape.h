#pragma once
// One LED of a status page: a small circle in the LED's colour, lit when its brush is solid and
// dark when its brush is a diagonal cross hatch. Like every shape of the window it carries an
// integer tag (8000 + 100 * device + LED index) from which the window builds its LED table.

#include <QColor>
#include <QWidget>

class TShape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
    explicit TShape(QWidget* parent = nullptr);

    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }

    QColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(const QColor& colour);

    // Qt::SolidPattern is lit, Qt::DiagCrossPattern dark. A new style repaints the shape and
    // renames it for screen readers; setting the style it already has changes nothing.
    Qt::BrushStyle BrushStyle() const { return FBrushStyle; }
    void SetBrushStyle(Qt::BrushStyle style);

    bool Lit() const { return FBrushStyle == Qt::SolidPattern; }
    void SetLit(bool lit) { SetBrushStyle(lit ? Qt::SolidPattern : Qt::DiagCrossPattern); }

    // A greyed LED keeps its look in a washed-out colour: what it shows is old.
    bool Greyed() const { return FGreyed; }
    void SetGreyed(bool greyed);

    // The LED's caption ("Alarm"); the accessible name is the caption and the look ("Alarm, lit").
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateAccessibleName();

    int FTag = 0;
    QColor FBrushColor = Qt::white;
    Qt::BrushStyle FBrushStyle = Qt::DiagCrossPattern;
    QString FCaption;
    bool FGreyed = false;
};
