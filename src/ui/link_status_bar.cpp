#include "ui/link_status_bar.h"

#include <QLabel>

namespace {

// Grounds a technician tells apart at a glance, with black text readable on each.
QString AgeStyle(TAgeColour colour) {
    switch (colour) {
    case TAgeColour::Green:
        return QStringLiteral("QLabel { background: #7CD67C; color: black; padding: 0 6px; }");
    case TAgeColour::Amber:
        return QStringLiteral("QLabel { background: #FFC04D; color: black; padding: 0 6px; }");
    case TAgeColour::Red:
        return QStringLiteral("QLabel { background: #F06060; color: black; padding: 0 6px; }");
    }
    return {};
}

QString ColourName(TAgeColour colour) {
    switch (colour) {
    case TAgeColour::Green:
        return QObject::tr("green");
    case TAgeColour::Amber:
        return QObject::tr("amber");
    case TAgeColour::Red:
        return QObject::tr("red");
    }
    return {};
}

} // namespace

TLinkStatusBar::TLinkStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("StatusBarLink"));
    setSizeGripEnabled(false);
    FTarget = AddLabel("LabelLinkTarget", tr("Link"), 1);
    // A long device path gives way first, shortened in its middle; the whole is its tool tip.
    FTarget->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FState = AddLabel("LabelLinkState", tr("Link state"), 0);
    FAge = AddLabel("LabelReplyAge", tr("Last reply"), 0);
    FCounters = AddLabel("LabelLinkCounters", tr("Link counters"), 0);
    FAge->setStyleSheet(AgeStyle(FColour));
}

QLabel* TLinkStatusBar::AddLabel(const char* name, const QString& spoken, int stretch) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(spoken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    addPermanentWidget(label, stretch);
    return label;
}

void TLinkStatusBar::ShowLink(const TStatusBarText& text, TAgeColour colour) {
    const QString target = QString::fromLocal8Bit(text.Target);
    FTarget->setToolTip(target);
    FTarget->setText(
        FTarget->fontMetrics().elidedText(target, Qt::ElideMiddle, qMax(FTarget->width(), 80)));
    FState->setText(QString::fromLocal8Bit(text.State));
    FAge->setText(QString::fromLocal8Bit(text.Age));
    FCounters->setText(QString::fromLocal8Bit(text.Counters));
    if (colour != FColour) {
        FColour = colour;
        FAge->setStyleSheet(AgeStyle(colour));
    }
    // The colour is also said in words, for those who cannot see it.
    FAge->setAccessibleName(tr("Last reply, %1").arg(ColourName(colour)));
}
