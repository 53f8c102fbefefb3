#include "ui/look_cache.h"

#include <QPainter>
#include <QStyleOption>
#include <QWidget>

TLook TLook::Of(const QStyleOption& option, const QWidget& widget, const QString& text) {
    return {option.rect.size(), option.state, option.direction, option.palette.cacheKey(),
            widget.font(),      text,         widget.style(),   widget.devicePixelRatioF()};
}

bool TLook::operator==(const TLook& other) const {
    return Size == other.Size && State == other.State && Direction == other.Direction &&
           Palette == other.Palette && Style == other.Style && PixelRatio == other.PixelRatio &&
           Text == other.Text && Font == other.Font;
}

void TLookCache::Paint(QWidget& widget, const TLook& look,
                       const std::function<void(QPainter&)>& draw) {
    const TEntry* kept = nullptr;
    for (const TEntry& entry : FEntries) {
        if (!entry.Picture.isNull() && entry.Look == look) {
            kept = &entry;
            break;
        }
    }
    if (kept == nullptr) {
        TEntry& entry = FEntries[FNext];
        FNext = (FNext + 1) % FEntries.size();
        entry.Look = look;
        entry.Picture = QPixmap(look.Size * look.PixelRatio);
        entry.Picture.setDevicePixelRatio(look.PixelRatio);
        entry.Picture.fill(Qt::transparent);
        QPainter painter(&entry.Picture);
        // Begun on a picture, a painter knows nothing of the widget: start it as on the widget.
        painter.setFont(widget.font());
        painter.setPen(widget.palette().color(widget.foregroundRole()));
        painter.setBrush(widget.palette().brush(widget.backgroundRole()));
        painter.setLayoutDirection(widget.layoutDirection());
        draw(painter);
        kept = &entry;
    }
    QPainter painter(&widget); // clipped to what needs painting
    painter.drawPixmap(0, 0, kept->Picture);
}

void TLookCache::Clear() {
    FEntries = {};
    FNext = 0;
}
