// End to end against the simulated panel: "Set slaves" starts from the number of slaves the
// panel reports, names the change in its question, and the communication log says what was
// sent and that the panel took it, from 2 to 3 slaves and back. The firmware version, once
// read, stays in the status bar.

#include "panel_sim_process.h"

#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/link_health_view.h"
#include "ui/link_status_bar.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

namespace {

// Answers "Yes" to the question box once it is up, and gives back its text.
void AnswerYesTo(QString* question) {
    QTimer::singleShot(0, [question] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        *question = box->text();
        box->button(QMessageBox::Yes)->click();
    });
}

} // namespace

class TPanelCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TForm1::UdpServerPort = "0"; }

    void SetSlavesFromTwoToThreeAndBack() {
        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        TPanelSimProcess panel(link, {"--slaves", "2"});
        QVERIFY(panel.Started());
        WriteToolSettingsForLink(dir.Path(), link);
        TForm1 form(dir.Path().string());
        form.show();
        TCommunicationPage* page = form.TabSheet2;
        page->SpinEditRefresh->setValue(100);
        QTRY_COMPARE_WITH_TIMEOUT(page->SpinEditSlave->value(), 2, 10000);

        for (auto [from, to] : {std::pair{2, 3}, std::pair{3, 2}}) {
            page->SpinEditSlave->setValue(to);
            QString question;
            AnswerYesTo(&question);
            page->ButtonSetSlave->click();
            QCOMPARE(question,
                     QStringLiteral("Change the panel from %1 to %2 slaves?").arg(from).arg(to));
            const QString sent = QStringLiteral("Set slaves: %1 sent").arg(to);
            const QString took = QStringLiteral("Set slaves: the panel now has %1 slaves").arg(to);
            QTRY_VERIFY_WITH_TIMEOUT(page->Memo1->toPlainText().contains(took), 10000);
            const QString log = page->Memo1->toPlainText();
            QVERIFY(log.indexOf(sent) >= 0 && log.indexOf(sent) < log.indexOf(took));
            QVERIFY(!log.contains(QStringLiteral("not taken")));
            QCOMPARE(page->SpinEditSlave->value(), to);
        }

        QLabel* firmware = form.LinkHealth().StatusBar()->Firmware();
        QVERIFY(!firmware->isVisible());
        page->ButtonVerse->click();
        QTRY_VERIFY_WITH_TIMEOUT(page->Memo1->toPlainText().contains(QStringLiteral("Verse=")),
                                 10000);
        const QString version = page->Memo1->toPlainText().section(QStringLiteral("Verse="), 1);
        QTRY_COMPARE_WITH_TIMEOUT(firmware->text(),
                                  QStringLiteral("firmware ") + version.section('\n', 0, 0), 2000);
        QVERIFY(firmware->isVisible());
        QTest::qWait(500); // status replies of the same installation keep it
        QVERIFY(firmware->isVisible());
        form.close();
    }
};

QTEST_MAIN(TPanelCommandsTest)
#include "panel_commands_test.moc"
