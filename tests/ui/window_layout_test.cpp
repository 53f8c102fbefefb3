// The window at its smallest and at a full-HD size, on a 1920x1080 screen: on every page no two
// visible controls overlap, none is cut by the page or left smaller than its text needs, and the
// column headers stay on their rows; the error panel takes only the height of its messages; the
// window fits the screen, also scaled twice. A picture of every page at both sizes goes into
// the tests' output directory for a reviewer to look at.

#include "hung_run.h"
#include "pty_pair.h"
#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
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
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryFile>
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
        // The note over stale values floats over the page by design (no reply yet here).
        if (!widget->isVisible() || widget->parentWidget() == nullptr ||
            widget->objectName() == QStringLiteral("StaleNote") ||
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

    void StartsShowingTheWholeMasterPage() {
        TForm1 form(FDir->Path().string());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.width() >= DesignClientSize.width());
        QVERIFY(form.height() >= DesignClientSize.height());
        QVERIFY(form.minimumWidth() <= form.width());
        QVERIFY(form.minimumHeight() <= form.height());
        form.PageControl1->setCurrentWidget(form.Master);
        QTest::qWait(20);
        QCOMPARE(LayoutFaults(form.Master), QStringList());
        auto* scroller = form.Master->findChild<QScrollArea*>();
        QVERIFY(!scroller->horizontalScrollBar()->isVisible());
        QVERIFY(!scroller->verticalScrollBar()->isVisible());
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

    // One message takes one line of height, twenty take three lines and scroll; the pages keep
    // the rest and lay out cleanly, at the smallest size as on a full-HD screen.
    void ErrorPanelTakesTheHeightOfItsMessages() {
        for (auto [size, messages] :
             {std::pair{QSize(), 1}, std::pair{QSize(), 20}, std::pair{QSize(1920, 1080), 1},
              std::pair{QSize(1920, 1080), 20}}) {
            TForm1 form(FDir->Path().string());
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.resize(size.isValid() ? size : form.minimumSize());
            QWidget* panel = form.Errors().Area();
            for (int i = 0; i < messages; ++i) {
                form.Errors().Show(QStringLiteral("Message %1").arg(i), QStringLiteral("detail"));
            }
            QTest::qWait(20);
            QVERIFY(panel->height() <= form.Errors().TallestHeight());
            QVERIFY(panel->height() <=
                    (messages == 1 ? 4 : 7) * panel->fontMetrics().lineSpacing());
            QCOMPARE(panel->findChild<QListWidget*>()->verticalScrollBar()->isVisible(),
                     messages > 1);
            for (QWidget* page :
                 {static_cast<QWidget*>(form.Master), static_cast<QWidget*>(form.TabSheet2)}) {
                form.PageControl1->setCurrentWidget(page);
                QTest::qWait(20);
                QCOMPARE(LayoutFaults(page), QStringList());
            }
            form.close();
        }
    }

    // Neither the smallest nor the starting size is larger than the screen's free area; at
    // twice the scale the same screen is run in a process of its own.
    void FitsTheScreen() {
        TForm1 form(FDir->Path().string());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QSize room = form.screen()->availableGeometry().size();
        QVERIFY(form.minimumWidth() <= room.width() && form.minimumHeight() <= room.height());
        QVERIFY(form.width() <= room.width() && form.height() <= room.height());
        form.close();
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
            QCOMPARE(room, QSize(960, 540));
            return;
        }
        QProcess scaled;
        qputenv("QT_SCALE_FACTOR", "2"); // for the child only: this process has its scale
        scaled.start(QCoreApplication::applicationFilePath(), {QStringLiteral("FitsTheScreen")});
        qunsetenv("QT_SCALE_FACTOR");
        QVERIFY(scaled.waitForFinished(HungRunMs));
        QVERIFY2(scaled.exitCode() == 0, scaled.readAllStandardOutput().constData());
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

// Every case runs on one 1920x1080 screen, whatever the offscreen platform's own default.
int main(int argc, char** argv) {
    QTemporaryFile screens;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && screens.open()) {
        screens.write(R"({"screens": [{"name": "FullHd", "x": 0, "y": 0, "width": 1920,
                          "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        screens.flush();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    }
    QApplication app(argc, argv);
    TWindowLayoutTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "window_layout_test.moc"
