#pragma once
// The traffic monitor, opened from the Communication page: every frame sent and received, one
// line each (PC time to the millisecond, direction, transport, bytes, meaning), newest at the
// bottom. Pause holds the view while frames go on being recorded; Clear empties the record; a
// letter filter shows one command's frames, or everything but polls and their replies; the
// lines carry their date while the record reaches over midnight; Save writes the lines shown to
// a text file; Copy puts the selected lines, or all shown, on the clipboard; Close or Esc closes
// it. A sent datagram's line names its destination, a received one's its sender.
//
// While the monitor is closed it does nothing at all: the record is kept by the core, and lines
// are made only when the monitor is open.

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TErrorDisplay;
class TTrafficLog;
struct TTrafficRecord;

class TTrafficMonitor : public QDialog {
    Q_OBJECT
public:
    // How often an open monitor takes up new frames.
    static constexpr int RefreshMs = 200;
    // The letter filter's entry that keeps everything but 'A' (polls and their replies).
    static constexpr int AllButPolls = -1;

    // A failed save is shown in `errors`.
    TTrafficMonitor(TTrafficLog& log, TErrorDisplay& errors, QWidget* parent);

    QPlainTextEdit* View() const { return FView; }
    QCheckBox* Pause() const { return FPause; }
    QComboBox* Filter() const { return FFilter; }
    QPushButton* ClearButton() const { return FClear; }
    QPushButton* CloseButton() const { return FClose; }

    // Takes up the frames recorded since the last look (what the timer does).
    void TakeUpNewFrames();
    // The lines shown, CR LF after each, into a file; raises EInOutError when it fails.
    void SaveTo(const QString& path) const;
    // The selected lines, or every line shown, onto the clipboard.
    void CopyLines() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool Shows(const TTrafficRecord& record) const;
    void Rebuild();
    void Clear();
    void SaveClicked();

    TTrafficLog& FLog;
    TErrorDisplay& FErrors;
    QPlainTextEdit* FView;
    QCheckBox* FPause;
    QComboBox* FFilter;
    QPushButton* FClear;
    QPushButton* FSave;
    QPushButton* FCopy;
    QPushButton* FClose;
    QTimer* FTimer;
    uint64_t FShownUpTo = 0; // the number of the last record looked at
    bool FWithDate = false;  // the lines carry their date: the record reaches over midnight
};
