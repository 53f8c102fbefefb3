#include "ui/stale_marker.h"

#include <QEvent>
#include <QLabel>
#include <QWidget>

TStaleMarker::TStaleMarker(QWidget* page) : QObject(page), FPage(page) {
    page->installEventFilter(this);
}

void TStaleMarker::SetStale(bool stale, const QString& lastReply) {
    if (FNote == nullptr) {
        FNote = new QLabel(FPage);
        FNote->setObjectName(QStringLiteral("StaleNote"));
        FNote->setStyleSheet(
            QStringLiteral("QLabel { background: #FFE9B0; color: black; padding: 2px 6px; }"));
        FNote->setVisible(false);
    }
    if (stale) {
        const QString note = lastReply.isEmpty()
                                 ? tr("No reply yet: no values of the panel")
                                 : tr("No reply since %1: the values are from then").arg(lastReply);
        if (note != FNote->text()) {
            FNote->setText(note);
            FNote->adjustSize();
            PlaceNote();
        }
    }
    if (stale == FStale) {
        return;
    }
    FStale = stale;
    if (stale) {
        FLivePalette = FPage->palette();
        QPalette old = FLivePalette;
        for (QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            const QColor grey = old.color(QPalette::Disabled, role);
            old.setColor(QPalette::Active, role, grey);
            old.setColor(QPalette::Inactive, role, grey);
        }
        FPage->setPalette(old);
    } else {
        FPage->setPalette(FLivePalette);
    }
    FNote->setVisible(stale);
    FNote->raise();
}

bool TStaleMarker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FPage && event->type() == QEvent::Resize && FNote != nullptr) {
        PlaceNote();
    }
    return QObject::eventFilter(watched, event);
}

void TStaleMarker::PlaceNote() {
    FNote->move(qMax(0, FPage->width() - FNote->width() - 8), 4);
}
