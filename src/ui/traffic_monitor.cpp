#include "ui/traffic_monitor.h"

#include "core/errors.h"
#include "model/traffic_log.h"
#include "ui/error_display.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>

TTrafficMonitor::TTrafficMonitor(TTrafficLog& log, TErrorDisplay& errors, QWidget* parent)
    : QDialog(parent), FLog(log), FErrors(errors) {
    setObjectName(QStringLiteral("TrafficMonitor"));
    setWindowTitle(tr("Traffic monitor"));
    setModal(false);
    resize(900, 500);
    auto* controls = new QHBoxLayout;
    FPause = new QCheckBox(tr("Pause"), this);
    FPause->setObjectName(QStringLiteral("CheckBoxPause"));
    FFilter = new QComboBox(this);
    FFilter->setObjectName(QStringLiteral("ComboLetter"));
    FFilter->setAccessibleName(tr("Command letter"));
    FFilter->addItem(tr("All letters"), 0);
    FFilter->addItem(tr("All but polls and their replies"), AllButPolls);
    for (char letter : {'A', 'G', 'S', 'T', 'U', 'V'}) {
        FFilter->addItem(QString(QChar(letter)), int(letter));
    }
    FClear = new QPushButton(tr("Clear"), this);
    FClear->setObjectName(QStringLiteral("ButtonClearTraffic"));
    FSave = new QPushButton(tr("Save..."), this);
    FSave->setObjectName(QStringLiteral("ButtonSaveTraffic"));
    FCopy = new QPushButton(tr("Copy"), this);
    FCopy->setObjectName(QStringLiteral("ButtonCopyTraffic"));
    FClose = new QPushButton(tr("Close"), this);
    FClose->setObjectName(QStringLiteral("ButtonCloseTraffic"));
    controls->addWidget(FPause);
    controls->addWidget(FFilter);
    controls->addStretch(1);
    for (QPushButton* button : {FClear, FSave, FCopy, FClose}) {
        button->setAutoDefault(false);
        controls->addWidget(button);
    }
    FView = new QPlainTextEdit(this);
    FView->setObjectName(QStringLiteral("TrafficView"));
    FView->setAccessibleName(tr("Frames"));
    FView->setReadOnly(true);
    FView->setLineWrapMode(QPlainTextEdit::NoWrap);
    FView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    FView->setMaximumBlockCount(int(TTrafficLog::Capacity));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(FView, 1);

    FTimer = new QTimer(this);
    connect(FTimer, &QTimer::timeout, this, &TTrafficMonitor::TakeUpNewFrames);
    connect(FPause, &QCheckBox::toggled, this, [this](bool paused) {
        if (!paused) {
            TakeUpNewFrames();
        }
    });
    connect(FFilter, &QComboBox::currentIndexChanged, this, &TTrafficMonitor::Rebuild);
    connect(FClear, &QPushButton::clicked, this, &TTrafficMonitor::Clear);
    connect(FSave, &QPushButton::clicked, this,
            [this] { FErrors.Guard([this] { SaveClicked(); }); });
    connect(FCopy, &QPushButton::clicked, this, &TTrafficMonitor::CopyLines);
    connect(FClose, &QPushButton::clicked, this, &QDialog::close);
    // Esc closes it wherever the focus is in it, the frames' view included.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &QDialog::close);
}

void TTrafficMonitor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Rebuild();
    FTimer->start(RefreshMs);
}

void TTrafficMonitor::hideEvent(QHideEvent* event) {
    FTimer->stop();
    QDialog::hideEvent(event);
}

bool TTrafficMonitor::Shows(const TTrafficRecord& record) const {
    const int letter = FFilter->currentData().toInt();
    if (letter == AllButPolls) {
        return record.Letter != 'A';
    }
    return letter == 0 || record.Letter == letter;
}

void TTrafficMonitor::Rebuild() {
    FView->clear();
    FShownUpTo = 0;
    TakeUpNewFrames();
}

void TTrafficMonitor::TakeUpNewFrames() {
    if (FPause->isChecked() || FLog.LastNumber() == FShownUpTo) {
        return;
    }
    if (SpansMidnight(FLog) != FWithDate) {
        FWithDate = !FWithDate; // every line shown again, with its date or without
        Rebuild();
        return;
    }
    // Only the records not looked at yet: they are the newest, at the end of the log.
    std::size_t first = FLog.Size();
    while (first > 0 && FLog.At(first - 1).Number > FShownUpTo) {
        --first;
    }
    QString lines;
    for (std::size_t i = first; i < FLog.Size(); ++i) {
        const TTrafficRecord& record = FLog.At(i);
        if (Shows(record)) {
            lines += QString::fromLatin1(TrafficLine(record, FWithDate)) + QLatin1Char('\n');
        }
    }
    FShownUpTo = FLog.LastNumber();
    if (!lines.isEmpty()) {
        lines.chop(1);
        FView->appendPlainText(lines);
    }
}

void TTrafficMonitor::Clear() {
    FLog.Clear();
    FView->clear();
    FShownUpTo = FLog.LastNumber();
}

void TTrafficMonitor::SaveTo(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw EInOutError(EACCES, path.toLocal8Bit().toStdString());
    }
    QByteArray bytes;
    for (QTextBlock block = FView->document()->begin(); block.isValid(); block = block.next()) {
        if (!block.text().isEmpty()) {
            bytes += block.text().toLatin1() + "\r\n";
        }
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        throw EInOutError(EIO, path.toLocal8Bit().toStdString());
    }
}

void TTrafficMonitor::SaveClicked() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save traffic"), QString(), tr("Text files (*.txt)"));
    if (!path.isEmpty()) {
        SaveTo(path);
    }
}

void TTrafficMonitor::CopyLines() const {
    QString text = FView->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    QApplication::clipboard()->setText(text.isEmpty() ? FView->toPlainText() : text);
}
