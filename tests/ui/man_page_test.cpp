// The man page names every page and every button of the window: the pages' tabs and the buttons
// are read from the window itself (the traffic monitor opened too), so a page or button added
// later fails here until the man page describes it, and the failure names each caption missing.

#include "temp_dir.h"
#include "ui/main_window.h"

#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QtTest>

#include <memory>

namespace {

// The words of a man page as it reads: macro names, comments, quotes and font and spacing
// escapes gone, hyphens and quotes as printed, every run of white space one blank.
QString ManPageText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    QStringList words;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.startsWith(QLatin1String(".\\\""))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('.'))) {
            const qsizetype blank = line.indexOf(QLatin1Char(' '));
            line = blank < 0 ? QString() : line.mid(blank + 1).remove(QLatin1Char('"'));
        }
        line.remove(QRegularExpression(QStringLiteral(R"(\\f[BIRP]|\\&|\\%)")));
        line.replace(QLatin1String("\\-"), QLatin1String("-"));
        line.replace(QLatin1String("\\(lq"), QLatin1String("\""));
        line.replace(QLatin1String("\\(rq"), QLatin1String("\""));
        line.replace(QLatin1String("\\(dq"), QLatin1String("\""));
        words << line;
    }
    return words.join(QLatin1Char(' ')).simplified();
}

// A caption as shown: "&" marks the Alt key, "&&" stands for "&".
QString ShownCaption(QString caption) {
    caption.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QStringLiteral("\x01"), QLatin1String("&"));
    return caption;
}

// The caption as a whole phrase of the text, not inside a longer word ("Fit" is not in "Fits").
bool Names(const QString& text, const QString& caption) {
    const QRegularExpression phrase(QStringLiteral("(?<!\\w)") +
                                    QRegularExpression::escape(caption) +
                                    QStringLiteral("(?!\\w)"));
    return phrase.match(text).hasMatch();
}

} // namespace

class TManPageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        TForm1::UdpServerPort = "0";
        FDir = std::make_unique<TTempDir>();
        // Never the panel's default address: this window is not shown, but stays off the network.
        WriteFileBytes(FDir->Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");
    }
    void cleanupTestCase() { FDir.reset(); }

    void TheManPageNamesEveryPageAndButtonOfTheWindow() {
        const QString page = ManPageText(QStringLiteral(ORVANT_MAN_PAGE));
        QVERIFY2(!page.isEmpty(), "the man page " ORVANT_MAN_PAGE " cannot be read");

        TForm1 form(FDir->Path().string());
        form.ShowTrafficMonitor();
        QStringList missing;
        int pages = 0;
        for (int i = 0; i < form.PageControl1->count(); ++i, ++pages) {
            const QString caption = ShownCaption(form.PageControl1->tabText(i));
            if (!Names(page, caption)) {
                missing << QStringLiteral("page \"%1\"").arg(caption);
            }
        }
        int buttons = 0;
        for (const QPushButton* button : form.findChildren<QPushButton*>()) {
            // Hidden for good: the bench buttons a technician never sees.
            if (button->isHidden()) {
                continue;
            }
            ++buttons;
            // A button showing only an icon is named by its tool tip.
            const QString caption =
                ShownCaption(button->text().isEmpty() ? button->toolTip() : button->text());
            if (caption.isEmpty() || !Names(page, caption)) {
                missing << QStringLiteral("button \"%1\" (%2)").arg(caption, button->objectName());
            }
        }
        form.close();
        QVERIFY2(missing.isEmpty(),
                 qPrintable(QStringLiteral("the man page %1 does not name: %2")
                                .arg(QStringLiteral(ORVANT_MAN_PAGE), missing.join(", "))));
        // The walk found the window's pages and buttons, not an empty window.
        QVERIFY(pages >= 9);
        QVERIFY(buttons >= 20);
    }

    // The words of the page: a caption split by markup or broken across lines is still named, and
    // a caption only in a comment or inside a longer word is not.
    void ManPageTextReadsAsPrinted() {
        TTempDir dir;
        WriteFileBytes(dir.Path() / "page.1", ".\\\" Hidden caption\n.TH X 1\n"
                                              ".B \"Set time\"\nthe \\fBSoftware\n"
                                              "version\\fR button, Fits, \\-\\-link,\n"
                                              ".BR \"Save...\\&\" ,\n");
        const QString text = ManPageText(QString::fromStdString(dir.File("page.1")));
        QVERIFY(Names(text, QStringLiteral("Set time")));
        QVERIFY(Names(text, QStringLiteral("Software version")));
        QVERIFY(Names(text, QStringLiteral("--link")));
        QVERIFY(Names(text, QStringLiteral("Save...")));
        QVERIFY(!Names(text, QStringLiteral("Hidden caption")));
        QVERIFY(!Names(text, QStringLiteral("Fit")));
        QCOMPARE(ShownCaption(QStringLiteral("Co&m settings")), QStringLiteral("Com settings"));
        QCOMPARE(ShownCaption(QStringLiteral("A && B")), QStringLiteral("A & B"));
    }

private:
    std::unique_ptr<TTempDir> FDir;
};

QTEST_MAIN(TManPageTest)
#include "man_page_test.moc"
