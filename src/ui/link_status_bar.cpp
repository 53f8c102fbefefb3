#include "ui/link_status_bar.h"

#include <QLabel>

namespace {

// A label that shows as much of its text as its width allows, shortened in the middle, and
// shortens it again whenever the status bar gives it another width.
class TElidedLabel : public QLabel {
public:
    using QLabel::QLabel;

    void SetFullText(const QString& text) {
        if (text == FFullText) {
            return; // an unchanged text is neither elided nor painted again
        }
        FFullText = text;
        setToolTip(text);
        Elide();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        Elide();
    }

private:
    void Elide() {
        setText(fontMetrics().elidedText(FFullText, Qt::ElideMiddle, qMax(width(), 80)));
    }

    QString FFullText;
};

// A label repaints at every setText, even of its own text: only a change reaches it.
void SetChangedText(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

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
    FTarget = new TElidedLabel(this);
    AddLabel(FTarget, "LabelLinkTarget", tr("Link"), 1);
    // A long device path gives way first, shortened in its middle; the whole is its tool tip.
    FTarget->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FState = AddLabel(new QLabel(this), "LabelLinkState", tr("Link state"), 0);
    FAge = AddLabel(new QLabel(this), "LabelReplyAge", tr("Last reply"), 0);
    FCounters = AddLabel(new QLabel(this), "LabelLinkCounters", tr("Link counters"), 0);
    FAge->setStyleSheet(AgeStyle(FColour));
    FFirmware = AddLabel(new QLabel(this), "LabelFirmware", tr("Firmware version"), 0);
    FFirmware->setVisible(false);
}

void TLinkStatusBar::ShowFirmware(const QString& version) {
    const QString text = version.isEmpty() ? QString() : tr("firmware %1").arg(version);
    if (text != FFirmware->text()) {
        FFirmware->setText(text); // hidden or shown with it
        FFirmware->setVisible(!text.isEmpty());
    }
}

QLabel* TLinkStatusBar::AddLabel(QLabel* label, const char* name, const QString& spoken,
                                 int stretch) {
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(spoken);
    // Plain labels, not selectable: a selectable label lays its text out as a document at every
    // change and every paint, and these change every second (that was most of an idle poll
    // cycle). The link's target is whole in its tool tip.
    addPermanentWidget(label, stretch);
    return label;
}

void TLinkStatusBar::ShowLink(const TStatusBarText& text, TAgeColour colour) {
    static_cast<TElidedLabel*>(FTarget)->SetFullText(QString::fromLocal8Bit(text.Target));
    // The age's text changes at every look, and each change lays the bar out and repaints it:
    // it is brought up to date once a second, or at once when its colour or the state changes.
    const QString state = QString::fromLocal8Bit(text.State);
    if (colour != FColour || state != FState->text() || !FAgeShown.isValid() ||
        FAgeShown.elapsed() >= AgeRefreshMs) {
        SetChangedText(FAge, QString::fromLocal8Bit(text.Age));
        FAgeShown.start();
    }
    SetChangedText(FCounters, QString::fromLocal8Bit(text.Counters));
    SetChangedText(FState, state);
    if (colour != FColour) {
        FColour = colour;
        FAge->setStyleSheet(AgeStyle(colour));
    }
    // The colour is also said in words, for those who cannot see it.
    const QString spoken = tr("Last reply, %1").arg(ColourName(colour));
    if (spoken != FAge->accessibleName()) {
        FAge->setAccessibleName(spoken);
    }
}
