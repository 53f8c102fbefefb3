#include "ui/link_status_bar.h"

#include "ui/fitting_label.h"

#include <QLabel>

namespace {

TFittingLabel* Fitting(QLabel* label) {
    return static_cast<TFittingLabel*>(label);
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
    // The fields give way as far as their least forms, which the smallest window has room for:
    // the port or address (a usual serial port whole with its line settings, a longer path
    // alone with its end, where its adapter's name and number are), the longest state, the age
    // without its time of day, and the counters' end with the events copied and still waiting.
    // Firmware and installation, also on the pages, give way almost wholly.
    FTarget = AddLabel(
        new TFittingLabel(Qt::ElideLeft, QStringLiteral("Serial /dev/ttyUSB0 115200 8N1"), this),
        "LabelLinkTarget", tr("Link"), 1);
    FState = AddLabel(new TFittingLabel(Qt::ElideRight, QStringLiteral("no server address"), this),
                      "LabelLinkState", tr("Link state"), 0);
    FAge = AddLabel(
        new TFittingLabel(Qt::ElideRight, QStringLiteral("last reply 59 min 59 s ago"), this),
        "LabelReplyAge", tr("Last reply"), 0);
    FCounters =
        AddLabel(new TFittingLabel(Qt::ElideLeft,
                                   QStringLiteral("\u2026events 9999 copied, 999 waiting"), this),
                 "LabelLinkCounters", tr("Link counters"), 0);
    FAge->setStyleSheet(AgeStyle(FColour));
    FFirmware = AddLabel(new TFittingLabel(Qt::ElideRight, QStringLiteral("firm\u2026"), this),
                         "LabelFirmware", tr("Firmware version"), 0);
    FFirmware->setVisible(false);
    FInstallation = AddLabel(new TFittingLabel(Qt::ElideRight, QStringLiteral("0A0B0\u2026"), this),
                             "LabelInstallation", tr("Installation"), 0);
    FInstallation->setVisible(false);
}

QSize TLinkStatusBar::minimumSizeHint() const {
    QSize size = QStatusBar::minimumSizeHint();
    for (const QLabel* hidden : {FFirmware, FInstallation}) {
        if (hidden->isHidden()) {
            // Its least form, its frame and the bar's spacing before it.
            size.rwidth() +=
                hidden->minimumSizeHint().width() + 2 * fontMetrics().averageCharWidth();
        }
    }
    return size;
}

void TLinkStatusBar::ShowInstallation(const QString& label) {
    if (label != FInstallation->text()) {
        Fitting(FInstallation)->SetForms(label);
        FInstallation->setVisible(!label.isEmpty());
    }
}

void TLinkStatusBar::ShowFirmware(const QString& version) {
    const QString text = version.isEmpty() ? QString() : tr("firmware %1").arg(version);
    if (text != FFirmware->text()) {
        Fitting(FFirmware)->SetForms(text); // hidden or shown with it
        FFirmware->setVisible(!text.isEmpty());
    }
}

QLabel* TLinkStatusBar::AddLabel(QLabel* label, const char* name, const QString& spoken,
                                 int stretch) {
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(spoken);
    // Plain labels, not selectable: a selectable label lays its text out as a document at every
    // change and every paint, and these change every second (that was most of an idle poll
    // cycle). Each field is whole in its tool tip.
    addPermanentWidget(label, stretch);
    return label;
}

void TLinkStatusBar::ShowLink(const TStatusBarText& text, TAgeColour colour) {
    Fitting(FTarget)->SetForms(QString::fromLocal8Bit(text.Target),
                               QString::fromLocal8Bit(text.TargetShort));
    // The age's text changes at every look, and each change lays the bar out and repaints it:
    // it is brought up to date once a second, or at once when its colour or the state changes.
    const QString state = QString::fromLocal8Bit(text.State);
    if (colour != FColour || state != FState->text() || !FAgeShown.isValid() ||
        FAgeShown.elapsed() >= AgeRefreshMs) {
        Fitting(FAge)->SetForms(QString::fromLocal8Bit(text.Age),
                                QString::fromLocal8Bit(text.AgeShort));
        FAgeShown.start();
    }
    Fitting(FCounters)->SetForms(QString::fromLocal8Bit(text.Counters));
    Fitting(FState)->SetForms(state);
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
