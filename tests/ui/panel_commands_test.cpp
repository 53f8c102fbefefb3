// Against the simulated panel: "Set slaves" starts from the panel's number of slaves, names the
// change and logs that the panel took it, from 2 to 3 and back; the firmware version read stays in
// the status bar.

#include "hung_run.h"
#include "panel_sim_process.h"
#include "ui/communication_page.h"
#include "ui/link_health_view.h"
#include "ui/link_status_bar.h"
#include "ui/main_window.h"

#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

class TPanelCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void SetSlavesFromTwoToThreeAndBackAndReadTheVersion() {
        TForm1::UdpServerPort = "0";
        TTempDir dir;
        TPanelSimProcess panel(dir.Path() / "panel-link", {"--slaves", "2"});
        QVERIFY(panel.Started());
        WriteToolSettingsForLink(dir.Path(), dir.Path() / "panel-link");
        TForm1 form(dir.Path().string());
        form.show();
        TCommunicationPage* page = form.TabSheet2;
        page->SpinEditRefresh->setValue(100);
        QTRY_COMPARE_WITH_TIMEOUT(page->SpinEditSlave->value(), 2, HungRunMs);
        for (auto [from, to] : {std::pair{2, 3}, std::pair{3, 2}}) {
            page->SpinEditSlave->setValue(to);
            QString question;
            QTimer::singleShot(0, [&question] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                question = box->text();
                box->button(QMessageBox::Yes)->click();
            });
            page->ButtonSetSlave->click();
            QCOMPARE(question,
                     QStringLiteral("Change the panel from %1 to %2 slaves?").arg(from).arg(to));
            const QString took = QStringLiteral("Set slaves: the panel now has %1 slaves").arg(to);
            QTRY_VERIFY_WITH_TIMEOUT(page->Memo1->toPlainText().contains(took), HungRunMs);
            const QString log = page->Memo1->toPlainText();
            const QString sent = QStringLiteral("Set slaves: %1 sent").arg(to);
            QVERIFY(log.indexOf(sent) >= 0 && log.indexOf(sent) < log.indexOf(took));
            QCOMPARE(page->SpinEditSlave->value(), to);
        }
        QLabel* firmware = form.LinkHealth().StatusBar()->Firmware();
        page->ButtonVerse->click();
        QTRY_VERIFY_WITH_TIMEOUT(page->Memo1->toPlainText().contains(QStringLiteral("Verse=")),
                                 HungRunMs);
        const QString version =
            page->Memo1->toPlainText().section(QStringLiteral("Verse="), 1).section('\n', 0, 0);
        QTRY_COMPARE_WITH_TIMEOUT(firmware->text(), QStringLiteral("firmware ") + version,
                                  HungRunMs);
        QTest::qWait(500); // status replies of the same installation keep it
        QVERIFY(firmware->isVisible());
        form.close();
    }
};

QTEST_MAIN(TPanelCommandsTest)
#include "panel_commands_test.moc"
