#pragma once
// What a widget last drew for a given look, kept as a picture: a status page repaints its group
// frames and buttons whenever a field inside them changes, and drawing them again from the style
// each time (their captions shaped anew, their outlines stroked) costs more than the fields
// themselves. A look is drawn once and then copied, while the widget is in sight.

#include <QFont>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStyle>

#include <array>
#include <functional>

class QPaintEvent;
class QPainter;
class QStyleOption;
class QWidget;

// Everything a style's drawing of a plain widget depends on.
struct TLook {
    QSize Size;
    QStyle::State State;
    Qt::LayoutDirection Direction = Qt::LeftToRight;
    qint64 Palette = 0;
    QFont Font;
    QString Text;
    const QStyle* Style = nullptr;
    qreal PixelRatio = 1;

    // The look `option` describes for `widget`, captioned `text`.
    static TLook Of(const QStyleOption& option, const QWidget& widget, const QString& text);
    bool operator==(const TLook& other) const;
};

class TLookCache {
public:
    // Paints `widget` as `draw` paints it in `look`, drawing only when the look is not kept.
    void Paint(QWidget& widget, const TLook& look, const std::function<void(QPainter&)>& draw);
    // Lets go of every kept look: a page out of sight holds no pictures.
    void Clear();

private:
    struct TEntry {
        TLook Look;
        QPixmap Picture;
    };
    // Enough for a button's looks (checked or not, with and without the pointer over it).
    std::array<TEntry, 4> FEntries;
    std::size_t FNext = 0;
};
