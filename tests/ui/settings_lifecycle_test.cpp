// The window's start-up and shut-down with the files beside the executable: "Kelm2.ini" read
// into the communication page when the window is shown and written back at close, "Zaznam.BIN"
// held open while the window exists, the one-second wait for late replies before anything is
// saved.
//
// The whole program runs in a network namespace of its own with nothing but loopback (when it
// may make one): a first start without "Kelm2.ini" polls the default server address over UDP,
// and that must never reach a real network.

#include "hung_run.h"
#include "little_endian.h"
#include "model/pult.h"
#include "net_namespace.h"
#include "panel_frames.h"
#include "pty_pair.h"
#include "temp_dir.h"
#include "ui/chart_page.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/led_shape.h"
#include "ui/main_window.h"
#include "ui/number_edit.h"
#include "ui/qt_timer.h"
#include "ui/status_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QtTest>

#include <memory>

namespace {

std::string IniForPort(const std::string& port) {
    return "[ComPort1]\r\nPort=" + port + "\r\nBaudRate=115200\r\n";
}

std::string GeneralSettings(const std::string& adr, const std::string& udp, const std::string& ip) {
    return "[General]\r\nAdr=" + adr + "\r\nUDP=" + udp + "\r\nIP=" + ip + "\r\n";
}

// A status reply whose mains voltage reads 27.12 V on the master page.
std::string StatusReplyOnTheLine() {
    std::string record(283, '\0');
    PutU16(reinterpret_cast<uint8_t*>(record.data()) + 24, 27123);
    return PanelSerialFrameText('A', record);
}

} // namespace

class TSettingsLifecycleTest : public QObject {
    Q_OBJECT

public:
    // isolated: the test runs in a network namespace of its own; otherwise why it does not.
    TSettingsLifecycleTest(bool isolated, std::string why)
        : FIsolated(isolated), FWhyNotIsolated(std::move(why)) {}

private slots:
    void init() {
        FDir = std::make_unique<TTempDir>();
        FPty = std::make_unique<TPtyPair>();
        WriteFileBytes(FDir->Path() / "ComPort.ini", IniForPort(FPty->SlavePath()));
    }
    void cleanup() {
        FPty.reset();
        FDir.reset();
    }

    void AFirstStartTakesTheDefaultsPollsOverUdpAndSavesThemInOrder() {
        if (!FIsolated) {
            QSKIP(("skipped: a first start polls the default server address 192.168.1.100 over "
                   "UDP, so it runs only in a network namespace of the test's own with nothing "
                   "but loopback, and " +
                   FWhyNotIsolated)
                      .c_str());
        }
        QVERIFY2(NoRouteTo(DefaultServerAddress), "the default address must be unreachable here");
        {
            TForm1 form(Dir());
            form.show();
            TCommunicationPage* page = form.TabSheet2;
            QCOMPARE(page->SpinEditAdr->value(), 2);
            QVERIFY(page->CheckBoxUDP->isChecked());
            QCOMPARE(page->EditIP->text(), QStringLiteral("192.168.1.100"));
            QVERIFY(!page->EditIP->isEnabled());

            // The first poll fails to leave the machine; the window says so once, however long
            // it runs.
            QTRY_COMPARE_WITH_TIMEOUT(form.Errors().OpenMessages().size(), 1, HungRunMs);
            QTest::qWait(1500);
            const QStringList messages = form.Errors().OpenMessages();
            QCOMPARE(messages.size(), 1);
            QCOMPARE(messages[0], QString::fromLatin1(tPult::NoRoute));
            QVERIFY(!std::filesystem::exists(FDir->Path() / "Kelm2.ini")); // nothing saved yet
            form.close();
        }
        QCOMPARE(ReadFileBytes(FDir->Path() / "Kelm2.ini"),
                 GeneralSettings("2", "1", "192.168.1.100"));
        QCOMPARE(ReadFileBytes(FDir->Path() / "Zaznam.BIN"), std::string());
    }

    void SettingsValuesAreReadAsTheSettingsObjectReadsThem_data() {
        QTest::addColumn<QString>("udp");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("0 unticks") << "0" << false;
        QTest::newRow("5 ticks") << "5" << true;
        QTest::newRow("not a number gives the default") << "abc" << true;
    }
    void SettingsValuesAreReadAsTheSettingsObjectReadsThem() {
        QFETCH(QString, udp);
        QFETCH(bool, ticked);
        WriteFileBytes(FDir->Path() / "Kelm2.ini",
                       GeneralSettings("0x10", udp.toStdString(), "127.0.0.1") +
                           "\r\n[Zar0]\r\nid=0A0B0C0D0E0F\r\nindex=7\r\n");
        {
            TForm1 form(Dir());
            form.show();
            TCommunicationPage* page = form.TabSheet2;
            QCOMPARE(page->SpinEditAdr->value(), 16);
            QCOMPARE(page->CheckBoxUDP->isChecked(), ticked);
            QCOMPARE(page->EditIP->text(), QStringLiteral("127.0.0.1"));
            QVERIFY(!page->EditIP->isEnabled()); // locked until the box is clicked
            QVERIFY(form.Settings().Current() != nullptr);
            form.close();
            QVERIFY(form.Settings().Current() == nullptr);
        }
        QCOMPARE(ReadFileBytes(FDir->Path() / "Kelm2.ini"),
                 GeneralSettings("16", ticked ? "1" : "0", "127.0.0.1") +
                     "\r\n[Zar0]\r\nid=0A0B0C0D0E0F\r\nindex=7\r\n");
    }

    void AValueThatCannotBeSavedIsShownAndTheOtherKeysAreStillSaved() {
        WriteFileBytes(FDir->Path() / "Kelm2.ini", GeneralSettings("2", "0", "127.0.0.1"));
        TForm1 form(Dir());
        form.show();
        TCommunicationPage* page = form.TabSheet2;
        page->SpinEditAdr->setValue(7);
        page->CheckBoxUDP->click();
        page->EditIP->setText(QStringLiteral("10.0.0.1\r\nAdr=99"));
        form.close();
        QCOMPARE(form.Errors().OpenMessages(),
                 QStringList{QString::fromStdString("Unable to write to " + form.SettingsPath())});
        QCOMPARE(ReadFileBytes(FDir->Path() / "Kelm2.ini"), GeneralSettings("7", "1", "127.0.0.1"));
        QVERIFY(!form.RecordFile().IsOpen()); // the steps after the failed key still ran
    }

    void AStrayShapeIsReportedBeforeTheBanner() {
        WriteFileBytes(FDir->Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\n");
        TForm1 form(Dir());
        auto* stray = new TShape(form.TabSheet3);
        stray->setObjectName(QStringLiteral("Shape99"));
        stray->SetTag(7999);
        form.show();
        QVERIFY(form.TabSheet2->Memo1->toPlainText().startsWith(
            QStringLiteral("********************  Shape99\nStart Komunikace\n")));
        form.close();
    }

    void ClosingDecodesALateReplyBeforeAnythingIsSaved() {
        const std::string settings = "[General]\r\nUDP=0\r\n";
        WriteFileBytes(FDir->Path() / "Kelm2.ini", settings);
        const std::string comPort = ReadFileBytes(FDir->Path() / "ComPort.ini");
        TForm1 form(Dir());
        form.show();
        QVERIFY(form.ComPort1.Connected());
        TNumberEdit* mains = form.Master->NumberEdit(TMeasureField::VNet);
        const QString before = mains->text();

        bool untouchedMidway = false;
        QTimer::singleShot(300, [&] {
            FPty->Send(StatusReplyOnTheLine());
            untouchedMidway = ReadFileBytes(FDir->Path() / "Kelm2.ini") == settings &&
                              ReadFileBytes(FDir->Path() / "ComPort.ini") == comPort;
        });
        QElapsedTimer clock;
        clock.start();
        form.close();
        QVERIFY(clock.elapsed() >= 1000);
        QVERIFY(untouchedMidway);
        QVERIFY(before != QStringLiteral("27.12 V"));
        QCOMPARE(mains->text(), QStringLiteral("27.12 V"));
        QCOMPARE(ReadFileBytes(FDir->Path() / "Kelm2.ini"),
                 "[General]\r\nUDP=0\r\nAdr=2\r\nIP=192.168.1.100\r\n");
    }

    void AnExistingRecordFileIsKeptByteForByte() {
        WriteFileBytes(FDir->Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\n");
        std::string records(3 * 80 + 11, '\0');
        for (std::size_t i = 0; i < records.size(); ++i) {
            records[i] = static_cast<char>(255 - i % 256);
        }
        WriteFileBytes(FDir->Path() / "Zaznam.BIN", records);
        {
            TForm1 form(Dir());
            QVERIFY(form.RecordFile().IsOpen());
            QCOMPARE(form.RecordFile().Position(), int64_t{240});
            form.show();
            form.close();
            QVERIFY(!form.RecordFile().IsOpen());
        }
        QCOMPARE(ReadFileBytes(FDir->Path() / "Zaznam.BIN"), records);
    }

    void ARecordFileThatCannotBeOpenedIsReportedAndStartUpGoesOn() {
        WriteFileBytes(FDir->Path() / "Kelm2.ini", GeneralSettings("5", "0", "127.0.0.1"));
        std::filesystem::create_directory(FDir->Path() / "Zaznam.BIN");
        TForm1 form(Dir());
        QVERIFY(!form.RecordFile().IsOpen());
        const QStringList messages = form.Errors().OpenMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("I/O error 21")), qPrintable(messages[0]));
        QVERIFY(messages[0].endsWith(QStringLiteral("Zaznam.BIN")));
        form.show();
        QCOMPARE(form.TabSheet2->SpinEditAdr->value(), 5);
        QVERIFY(form.ComPort1.Connected());
        QVERIFY(form.Timer1->Enabled());
        form.TabSheet2->SpinEditAdr->setValue(6);
        form.close();
        QCOMPARE(form.Errors().OpenMessages(), messages); // closing adds no failure of its own
        QCOMPARE(ReadFileBytes(FDir->Path() / "Kelm2.ini"), GeneralSettings("6", "0", "127.0.0.1"));
    }

private:
    std::string Dir() const { return FDir->Path().string(); }

    bool FIsolated;
    std::string FWhyNotIsolated;
    std::unique_ptr<TTempDir> FDir;
    std::unique_ptr<TPtyPair> FPty;
};

int main(int argc, char** argv) {
    // Before any thread exists, so that every thread of the window lives in the namespace too.
    std::string why;
    const bool isolated = EnterPrivateNetworkNamespace(why);
    if (!isolated) {
        TForm1::UdpServerPort = "0"; // the machine's port 1501 may be held by another run
    }
    QApplication app(argc, argv);
    TSettingsLifecycleTest test(isolated, why);
    return QTest::qExec(&test, argc, argv);
}

#include "settings_lifecycle_test.moc"
