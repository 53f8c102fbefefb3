// The window at its smallest and at a full-HD size: on every page no two visible controls
// overlap, none is cut by the page or left smaller than its text needs, and the column headers
// stay on their rows. A picture of every page at both sizes goes into the tests' output
// directory for a reviewer to look at.

#include "pty_pair.h"
#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/link_health_view.h"
#include "ui/link_status_bar.h"
#include "ui/main_window.h"
#include "ui/number_edit.h"
#include "ui/status_page.h"
#include "ui/status_page_tables.h"
#include "ui/status_pages.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QtTest>

#include <memory>

namespace {

QString PlainText(QString text) {
    return text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

// The controls a technician sees on a page: not the inner parts of composite widgets.
QList<QWidget*> VisibleControls(QWidget* page) {
    QList<QWidget*> controls;
    for (QWidget* widget : page->findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->parentWidget() == nullptr ||
            qobject_cast<QAbstractSpinBox*>(widget->parentWidget()) != nullptr ||
            qobject_cast<QComboBox*>(widget->parentWidget()) != nullptr) {
            continue;
        }
        if (qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget) ||
            qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
            qobject_cast<QGroupBox*>(widget) || qobject_cast<QPlainTextEdit*>(widget) ||
            qobject_cast<QComboBox*>(widget) || widget->inherits("TShape")) {
            controls << widget;
        }
    }
    return controls;
}

QString Describe(const QWidget* widget) {
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        text = label->text();
    } else if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        text = button->text();
    } else if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
        text = group->title();
    }
    return QStringLiteral("%1 %2 \"%3\"")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(), text);
}

QRect RectIn(const QWidget* widget, const QWidget* page) {
    return QRect(widget->mapTo(page, QPoint(0, 0)), widget->size());
}

// The part of the page a technician sees without scrolling.
QRect VisibleArea(QWidget* page) {
    if (auto* scroller = page->findChild<QScrollArea*>()) {
        return RectIn(scroller->viewport(), page);
    }
    return page->rect();
}

// Every fault found on the page, one line each.
QStringList LayoutFaults(QWidget* page) {
    QStringList faults;
    const QList<QWidget*> controls = VisibleControls(page);
    const QRect visible = VisibleArea(page);
    for (QWidget* control : controls) {
        const QRect rect = RectIn(control, page);
        if (!visible.contains(rect)) {
            faults << QStringLiteral("cut by the page: ") + Describe(control);
        }
        const QSize needed = control->minimumSizeHint();
        if (control->width() < needed.width() || control->height() < needed.height()) {
            faults << QStringLiteral("squeezed below %1x%2: ")
                              .arg(needed.width())
                              .arg(needed.height()) +
                          Describe(control);
        }
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            // The frame and QLineEdit's own two pixels on each side of the text.
            const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
            const int textWidth = edit->fontMetrics().horizontalAdvance(edit->text());
            if (textWidth + 2 * frame + 4 > edit->width()) {
                faults << QStringLiteral("text wider than its field: ") + Describe(control);
            }
        }
        if (auto* label = qobject_cast<QLabel*>(control)) {
            const int textWidth = label->fontMetrics().horizontalAdvance(PlainText(label->text()));
            if (textWidth > label->contentsRect().width()) {
                faults << QStringLiteral("text wider than its label: ") + Describe(control);
            }
        }
    }
    for (qsizetype i = 0; i < controls.size(); ++i) {
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            QWidget* a = controls[i];
            QWidget* b = controls[j];
            if (a->isAncestorOf(b) || b->isAncestorOf(a)) {
                continue;
            }
            if (RectIn(a, page).intersects(RectIn(b, page))) {
                faults << QStringLiteral("overlap: ") + Describe(a) + QStringLiteral(" / ") +
                              Describe(b);
            }
        }
    }
    return faults;
}

QString OutputDirectory() {
    const QString directory = QStringLiteral(ORVANT_TEST_OUTPUT_DIR "/screenshots");
    QDir().mkpath(directory);
    return directory;
}

} // namespace

class TWindowLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The machine's port 1501 may be held by another run; these tests talk serial.
        TForm1::UdpServerPort = "0";
    }
    void init() {
        FDir = std::make_unique<TTempDir>();
        FPty = std::make_unique<TPtyPair>();
        WriteFileBytes(FDir->Path() / "ComPort.ini",
                       "[ComPort1]\r\nPort=" + FPty->SlavePath() + "\r\nBaudRate=115200\r\n");
        // The panel is on the serial line; the default address must never be polled from here.
        WriteFileBytes(FDir->Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\n");
    }
    void cleanup() {
        FPty.reset();
        FDir.reset();
    }

    void StartsAtTheDesignSizeAboveItsMinimum() {
        TForm1 form(FDir->Path().string());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The status bar under the pages may add its own height to the design's, nothing more.
        QCOMPARE(form.width(), DesignClientSize.width());
        QVERIFY(form.height() >= DesignClientSize.height());
        QVERIFY(form.height() <=
                DesignClientSize.height() + form.LinkHealth().StatusBar()->height());
        QVERIFY(form.minimumWidth() <= DesignClientSize.width());
        QVERIFY(form.minimumHeight() <= form.height());
        // Below the minimum the status pages scroll rather than squeeze.
        for (int device = 0; device < 5; ++device) {
            QVERIFY(form.StatusPages().Page(device)->findChild<QScrollArea*>() != nullptr);
        }
        form.close();
    }

    void EveryPageLaysOutCleanlyAtTheMinimumAndAtFullHd_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("sizeName");
        QTest::newRow("minimum") << QSize() << QStringLiteral("minimum");
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QStringLiteral("1920x1080");
    }
    void EveryPageLaysOutCleanlyAtTheMinimumAndAtFullHd() {
        QFETCH(QSize, size);
        QFETCH(QString, sizeName);
        TForm1 form(FDir->Path().string());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(size.isValid() ? size : form.minimumSize());
        // The widest values the panel can report.
        for (int device = 0; device < 5; ++device) {
            for (const TNumericFieldRow& row : NumericFields()) {
                if (form.StatusPages().Page(device)->NumberEdit(row.Field) != nullptr) {
                    form.StatusPages().ShowValue(device, row.Field, 65535);
                }
            }
            form.StatusPages().ShowDeviceId(device, "FFFFFFFFFFFF");
        }
        QStringList faults;
        QTabWidget* tabs = form.PageControl1;
        for (int index = 0; index < tabs->count(); ++index) {
            tabs->setCurrentIndex(index);
            QTest::qWait(20);
            QWidget* page = tabs->widget(index);
            for (const QString& fault : LayoutFaults(page)) {
                faults << page->objectName() + QStringLiteral(": ") + fault;
            }
            const QString file =
                QStringLiteral("%1/%2-%3.png").arg(OutputDirectory(), page->objectName(), sizeName);
            QVERIFY2(form.grab().save(file), qPrintable(file));
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        form.close();
    }

    void ColumnHeadersStayOnTheirRows() {
        TForm1 form(FDir->Path().string());
        form.show();
        for (QSize size : {form.minimumSize(), QSize(1920, 1080), QSize(1280, 900)}) {
            form.resize(size);
            for (int device = 0; device < 5; ++device) {
                TStatusPage* page = form.StatusPages().Page(device);
                form.PageControl1->setCurrentWidget(page);
                QTest::qWait(20);
                TNumberEdit* va = page->NumberEdit(TMeasureField::VA);
                QLabel* header = nullptr;
                for (QLabel* label : page->findChildren<QLabel*>()) {
                    if (label->text() == QLatin1String("A")) {
                        header = label;
                    }
                }
                QVERIFY(header != nullptr);
                // Where the header's text ends, wherever the layout stretched the label itself.
                const int textBottom = header->mapTo(page, header->rect().center()).y() +
                                       header->fontMetrics().height() / 2;
                const int gap = va->mapTo(page, QPoint(0, 0)).y() - textBottom;
                QVERIFY2(gap >= 0 && gap <= 12, qPrintable(QString::number(gap)));
                // The header stands over its column.
                const int headerMiddle = header->mapTo(page, header->rect().center()).x();
                QVERIFY(headerMiddle > va->mapTo(page, QPoint(0, 0)).x());
                QVERIFY(headerMiddle < va->mapTo(page, QPoint(va->width(), 0)).x());
            }
        }
        form.close();
    }

private:
    std::unique_ptr<TTempDir> FDir;
    std::unique_ptr<TPtyPair> FPty;
};

QTEST_MAIN(TWindowLayoutTest)
#include "window_layout_test.moc"
