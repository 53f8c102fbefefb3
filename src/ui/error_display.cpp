#include "ui/error_display.h"

#include "core/clock.h"
#include "core/errors.h"
#include "transport/failure_headline.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <exception>

namespace {

// How long a new message keeps the panel lit.
constexpr int HighlightMs = 1500;
// The panel grows with its messages up to this many text lines, and scrolls beyond; the
// newest message alone may take up to FirstMostLines (a headline, and a detail wrapped at the
// panel's edge), so that it is always read whole.
constexpr int MostLines = 3;
constexpr int FirstMostLines = 5;
// Space a list row adds around its text.
constexpr int RowPadding = 4;

QString EntryText(const TErrorEntry& entry) {
    QString text = QString::fromStdString(ClockText(entry.Last)) + QStringLiteral("  ") +
                   QString::fromLocal8Bit(entry.Message);
    if (entry.Count > 1) {
        text += QObject::tr("  (%1 times since %2)")
                    .arg(entry.Count)
                    .arg(QString::fromStdString(ClockText(entry.First)));
    }
    if (!entry.Detail.empty()) {
        text += QStringLiteral("\n          ") + QString::fromLocal8Bit(entry.Detail);
    }
    return text;
}

// Delete dismisses the selected message, as the button does.
class TDeleteKeyFilter : public QObject {
public:
    TDeleteKeyFilter(TErrorDisplay* display, QObject* parent)
        : QObject(parent), FDisplay(display) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
            FDisplay->DismissSelected();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TErrorDisplay* FDisplay;
};

} // namespace

TErrorDisplay::TErrorDisplay(QWidget* window) : QObject(window) {
    FArea = new QFrame(window);
    FArea->setObjectName(QStringLiteral("ErrorArea"));
    FArea->setFrameShape(QFrame::StyledPanel);
    FArea->setAccessibleName(tr("Messages"));
    auto* layout = new QHBoxLayout(FArea);
    layout->setContentsMargins(4, 2, 4, 2);
    FListView = new QListWidget(FArea);
    FListView->setObjectName(QStringLiteral("ErrorList"));
    FListView->setAccessibleName(tr("Messages"));
    FListView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A long detail (the instruction that helps, "sudo adduser $USER dialout") wraps at the
    // panel's edge: no horizontal scroll bar lies over it, and nothing runs out of sight.
    FListView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FListView->setWordWrap(true);
    FListView->setTextElideMode(Qt::ElideNone);
    FListView->setResizeMode(QListView::Adjust);
    FListView->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    FListView->installEventFilter(new TDeleteKeyFilter(this, FListView));
    FListView->viewport()->installEventFilter(this); // its width decides how rows wrap
    layout->addWidget(FListView, 1);
    auto* buttons = new QHBoxLayout; // side by side: one message takes one line of height
    FDismiss = new QPushButton(tr("&Dismiss"), FArea);
    FDismiss->setObjectName(QStringLiteral("ButtonDismiss"));
    FDismissAll = new QPushButton(tr("Dismiss all"), FArea);
    FDismissAll->setObjectName(QStringLiteral("ButtonDismissAll"));
    for (QPushButton* button : {FDismiss, FDismissAll}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    layout->setAlignment(buttons, Qt::AlignTop);
    // Only as tall as the list: the page above keeps every other pixel.
    FArea->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    FHighlight = new QTimer(this);
    FHighlight->setSingleShot(true);
    connect(FHighlight, &QTimer::timeout, this, [this] { FArea->setStyleSheet(QString()); });
    connect(FDismiss, &QPushButton::clicked, this, &TErrorDisplay::DismissSelected);
    connect(FDismissAll, &QPushButton::clicked, this, &TErrorDisplay::DismissAll);
    FArea->setVisible(false);
}

QWidget* TErrorDisplay::Area() const {
    return FArea;
}

void TErrorDisplay::Show(const QString& message, const QString& detail) {
    const bool isNew = FList.Add(message.toLocal8Bit().toStdString(),
                                 detail.toLocal8Bit().toStdString(), SystemClock().Now());
    Refresh();
    if (isNew) {
        DrawTheEye();
    }
}

void TErrorDisplay::Show(const std::exception& error) {
    const TFailureText text = PlainFailure(error);
    Show(QString::fromLocal8Bit(text.Message), QString::fromLocal8Bit(text.Detail));
}

void TErrorDisplay::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        Show(e);
    } catch (...) {
        Show(QStringLiteral("Unknown error"));
    }
}

QStringList TErrorDisplay::OpenMessages() const {
    QStringList list;
    for (const TErrorEntry& entry : FList.Entries()) {
        list << QString::fromLocal8Bit(entry.Message);
    }
    return list;
}

void TErrorDisplay::DismissSelected() {
    if (FList.Empty()) {
        return;
    }
    const int row = FListView->currentRow();
    const auto& entries = FList.Entries();
    FList.Dismiss(
        entries[row >= 0 && std::size_t(row) < entries.size() ? std::size_t(row) : 0].Message);
    Refresh();
}

void TErrorDisplay::DismissAll() {
    FList.DismissAll();
    Refresh();
}

void TErrorDisplay::Refresh() {
    const int row = FListView->currentRow();
    FListView->clear();
    for (const TErrorEntry& entry : FList.Entries()) {
        auto* item = new QListWidgetItem(EntryText(entry), FListView);
        item->setToolTip(QString::fromLocal8Bit(entry.Message));
    }
    if (row >= 0 && row < FListView->count()) {
        FListView->setCurrentRow(row);
    }
    FArea->setVisible(!FList.Empty()); // shown first: the rows wrap at the width it has then
    FListView->doItemsLayout();
    FListView->setFixedHeight(ListHeight(MostLines));
}

// The list shows whole rows, as wrapped at its width, up to the height of MostLines text lines
// (each with a row's padding), the first row whole up to FirstMostLines: no row is cut in half.
int TErrorDisplay::ListHeight(int mostLines) const {
    const int line = FListView->fontMetrics().lineSpacing();
    const int budget = mostLines * (line + RowPadding);
    int height = 0;
    for (int row = 0; row < FListView->count(); ++row) {
        // The row as laid out at the list's width (wrapped), not as one line would need.
        const int rowHeight =
            std::max(FListView->visualItemRect(FListView->item(row)).height(), line);
        if (height + rowHeight > budget) {
            const int firstBudget = FirstMostLines * (line + RowPadding);
            height = height == 0 ? std::min(rowHeight, std::max(budget, firstBudget)) : height;
            break;
        }
        height += rowHeight;
    }
    return height + 2 * FListView->frameWidth();
}

// The panel's width changed: its rows wrap anew, and its height follows them.
bool TErrorDisplay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FListView->viewport() && event->type() == QEvent::Resize &&
        static_cast<QResizeEvent*>(event)->oldSize().width() !=
            static_cast<QResizeEvent*>(event)->size().width()) {
        FListView->doItemsLayout();
        FListView->setFixedHeight(ListHeight(MostLines));
    }
    return QObject::eventFilter(watched, event);
}

int TErrorDisplay::TallestHeight() const {
    const int list = std::max(MostLines, FirstMostLines) *
                         (FListView->fontMetrics().lineSpacing() + RowPadding) +
                     2 * FListView->frameWidth();
    const QMargins margins = FArea->layout()->contentsMargins();
    return std::max(list, FDismiss->sizeHint().height()) + margins.top() + margins.bottom() +
           2 * FArea->frameWidth();
}

// Lights the panel for a moment; focus stays where the user has it.
void TErrorDisplay::DrawTheEye() {
    FArea->setStyleSheet(QStringLiteral("#ErrorArea { background: #FFD27F; }"));
    FHighlight->start(HighlightMs);
}
