// The status pages: exact control names, where each reported field lands, hidden slave controls,
// the LED table from the shapes' tags and the LED tick, and what a screen reader hears.

#include "core/errors.h"
#include "fakes.h"
#include "ui/accessibility.h"
#include "ui/led_shape.h"
#include "ui/number_edit.h"
#include "ui/radio_group.h"
#include "ui/status_page.h"
#include "ui/status_pages.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

// A window holding the five pages in its page control, as the main window does.
struct TWindow {
    TPanelState State;
    QWidget Window;
    QTabWidget* Tabs = new QTabWidget(&Window);
    TStatusPages Pages{State};

    TWindow() {
        auto* layout = new QVBoxLayout(&Window);
        layout->addWidget(Tabs);
        for (int device = 0; device < DeviceCount; ++device) {
            Tabs->addTab(Pages.Page(device), Pages.Page(device)->Caption());
        }
    }

    template <typename T> T* Find(const char* name) const {
        return Window.findChild<T*>(QString::fromLatin1(name));
    }
};

QString Selected(const TRadioGroup* group) {
    return group->ItemIndex() < 0 ? QString() : group->Button(group->ItemIndex())->text();
}

constexpr uint32_t Bit(int n) {
    return uint32_t{1} << n;
}

} // namespace

class TStatusPagesTest : public QObject {
    Q_OBJECT

private slots:
    void PagesAndControlsCarryTheDesignNames() {
        TWindow w;
        const char* pages[] = {"Master", "TabSheetSl1", "TabSheetSl2", "TabSheetSl3",
                               "TabSheetSl4"};
        for (int device = 0; device < DeviceCount; ++device) {
            QCOMPARE(w.Pages.Page(device)->objectName(), QString::fromLatin1(pages[device]));
        }
        // The irregular names of the design, each where it belongs.
        for (const char* name : {"NEditiA", "NEditVa", "NEditvBat", "NEditCasHas", "NeditVNetSl3",
                                 "NEditTBatSL1", "NEditCMerSL2", "NEditCmerSl1", "NEditVsirSl2",
                                 "NEditVhasSl2", "NEditVbatSl3", "NEditVbatSl4", "NEditVNetSl4"}) {
            QVERIFY2(w.Find<TNumberEdit>(name) != nullptr, name);
        }
        for (const char* name :
             {"RadGrpHaseni", "RadioGroupProv", "RadioGroupSir", "RadGrpLinKaBSl1",
              "RadGrpLinkaBSl2", "RadioGroupMagSl4", "RadioGroupBatSl3", "RadGrpLinkaCSl2"}) {
            QVERIFY2(w.Find<TRadioGroup>(name) != nullptr, name);
        }
        for (const char* name : {"CheckBoxChlaz", "CheckBoxVentil2", "CheckBoxPoruchaSL1",
                                 "CheckBoxPoruchaSl2", "CheckBoxVentilSl4"}) {
            QVERIFY2(w.Find<QCheckBox>(name) != nullptr, name);
        }
        for (const char* name :
             {"EditID", "EditIDSl1", "EditIDSL3", "EditZac", "EditKon", "EditMax"}) {
            QVERIFY2(w.Find<QLineEdit>(name) != nullptr, name);
        }
        for (const char* name :
             {"LedProvoz", "Shape17", "LedPoruchaLinka1", "LedKlic", "LedPoruchaLinka4Sl3"}) {
            QVERIFY2(w.Find<TShape>(name) != nullptr, name);
        }
        // A slave has none of the master's own controls.
        TStatusPage* slave = w.Pages.Slave(2);
        QVERIFY(slave->RadioGroup(TStateField::stHas) == nullptr);
        QVERIFY(slave->NumberEdit(TMeasureField::Tim) == nullptr);
        QVERIFY(slave->EditZac() == nullptr);
        QVERIFY(slave->OutputBox(0) == nullptr);
        QVERIFY(w.Pages.Master()->NumberEdit(TMeasureField::CMer) == nullptr);
    }

    void CaptionsAndItemsAreThePanelTexts() {
        TWindow w;
        QCOMPARE(w.Find<TRadioGroup>("RadGrpHaseni")->title(), QStringLiteral("System state"));
        QCOMPARE(w.Find<TRadioGroup>("RadGrpLinkaCSl1")->title(), QStringLiteral("Buttons [2]"));
        QCOMPARE(w.Find<TRadioGroup>("RadioGroupBat")->Button(2)->text(),
                 QStringLiteral("Charging "));
        QCOMPARE(w.Find<QCheckBox>("CheckBoxChlaz")->text(), QStringLiteral("Cooiling"));
        QCOMPARE(w.Find<QCheckBox>("CheckBoxVentilSl3")->text(), QStringLiteral("Valvel 1"));
        auto* relay = qobject_cast<QGroupBox*>(w.Find<QCheckBox>("CheckBoxPred")->parentWidget());
        QVERIFY(relay != nullptr);
        QCOMPARE(relay->title(), QStringLiteral("Relay  state"));
        const QString captions[] = {QStringLiteral("Master"), QStringLiteral("Slave 1"),
                                    QStringLiteral("Slave2"), QStringLiteral("Slave3"),
                                    QStringLiteral("Slave4")};
        for (int device = 0; device < DeviceCount; ++device) {
            QCOMPARE(w.Pages.Page(device)->Caption(), captions[device]);
        }
    }

    void ValuesLandInTheirFieldsDivided() {
        TWindow w;
        w.Pages.ShowValue(2, TMeasureField::VA, 12345);
        w.Pages.ShowValue(0, TMeasureField::TI, 65535);
        w.Pages.ShowValue(0, TMeasureField::IA, 2500);
        w.Pages.ShowValue(4, TMeasureField::P, 1500);
        w.Pages.ShowValue(0, TMeasureField::Tim, 300);
        w.Pages.ShowValue(1, TMeasureField::CMer, 7);
        w.Pages.ShowValue(3, TMeasureField::VNet, 23010);
        QCOMPARE(w.Find<TNumberEdit>("NEditVASl2")->text(), QStringLiteral("12.345 V"));
        QCOMPARE(w.Find<TNumberEdit>("NEditTInt")->text(), QStringLiteral("6553.5 C"));
        QCOMPARE(w.Find<TNumberEdit>("NEditiA")->text(), QStringLiteral("02.50 mA"));
        QCOMPARE(w.Find<TNumberEdit>("NEditTlakSl4")->text(), QStringLiteral("1.50 Bar"));
        QCOMPARE(w.Find<TNumberEdit>("NEditCasHas")->text(), QStringLiteral("30.0 s"));
        QCOMPARE(w.Find<TNumberEdit>("NEditCmerSl1")->text(), QStringLiteral("7"));
        QCOMPARE(w.Find<TNumberEdit>("NeditVNetSl3")->text(), QStringLiteral("23.01 V"));
        // The same field of the other devices is untouched.
        QCOMPARE(w.Find<TNumberEdit>("NEditVa")->Value(), 0.0L);
        QCOMPARE(w.Find<TNumberEdit>("NEditVASl1")->Value(), 0.0L);
        QCOMPARE(w.Find<TNumberEdit>("NEditVASl3")->Value(), 0.0L);
    }

    void FieldsADeviceLacksAreRefused() {
        TWindow w;
        QVERIFY_THROWS_EXCEPTION(ERangeError, w.Pages.ShowValue(0, TMeasureField::CMer, 1));
        QVERIFY_THROWS_EXCEPTION(ERangeError, w.Pages.ShowValue(2, TMeasureField::Tim, 1));
        QVERIFY_THROWS_EXCEPTION(ERangeError, w.Pages.ShowStateCode(1, TStateField::stHas, 1));
        QVERIFY_THROWS_EXCEPTION(ERangeError, w.Pages.ShowValue(5, TMeasureField::VA, 1));
        QVERIFY_THROWS_EXCEPTION(ERangeError, w.Pages.ShowDeviceId(-1, "000000000000"));
        QVERIFY_THROWS_EXCEPTION(ERangeError, w.Pages.ShowSlavePage(0, true));
    }

    void StateCodesSelectTheirItemAndNeverEmpty() {
        TWindow w;
        w.Pages.ShowStateCode(0, TStateField::stHas, 12);
        w.Pages.ShowStateCode(0, TStateField::stSir, 3);
        w.Pages.ShowStateCode(0, TStateField::stPro, 1);
        w.Pages.ShowStateCode(1, TStateField::LineB, 4);
        w.Pages.ShowStateCode(4, TStateField::stV1, 255);
        QCOMPARE(Selected(w.Find<TRadioGroup>("RadGrpHaseni")), QStringLiteral("Reset"));
        QCOMPARE(Selected(w.Find<TRadioGroup>("RadioGroupSir")), QStringLiteral("Short"));
        QCOMPARE(Selected(w.Find<TRadioGroup>("RadioGroupProv")), QStringLiteral("Preparation"));
        QCOMPARE(Selected(w.Find<TRadioGroup>("RadGrpLinKaBSl1")), QStringLiteral("Short"));
        QCOMPARE(Selected(w.Find<TRadioGroup>("RadioGroupMagSl4")), QStringLiteral("Short"));
        // A later code moves the selection; one item stays selected.
        w.Pages.ShowStateCode(0, TStateField::stHas, 0);
        auto* group = w.Find<TRadioGroup>("RadGrpHaseni");
        QCOMPARE(Selected(group), QStringLiteral("Ready"));
        QVERIFY(!group->Button(9)->isChecked());
    }

    void RadioGroupIndexLimits() {
        TRadioGroup group(QStringLiteral("G"), {QStringLiteral("a"), QStringLiteral("b")});
        QCOMPARE(group.ItemIndex(), -1);
        group.SetItemIndex(1);
        QCOMPARE(group.ItemIndex(), 1);
        group.SetItemIndex(-1);
        QCOMPARE(group.ItemIndex(), -1);
        QVERIFY(!group.Button(1)->isChecked());
        QVERIFY_THROWS_EXCEPTION(ERangeError, group.SetItemIndex(2));
        QVERIFY_THROWS_EXCEPTION(ERangeError, group.SetItemIndex(-2));
        QCOMPARE(group.ItemIndex(), -1);
    }

    void OutputsTickTheirBoxes() {
        TWindow w;
        w.Pages.ShowOutputs(0, 0x0185); // bits 0, 2, 7, 8
        QVERIFY(w.Find<QCheckBox>("CheckBoxChlaz")->isChecked());
        QVERIFY(!w.Find<QCheckBox>("CheckBoxTechnol")->isChecked());
        QVERIFY(w.Find<QCheckBox>("CheckBoxPoplach")->isChecked());
        QVERIFY(!w.Find<QCheckBox>("CheckBoxPorucha")->isChecked());
        QVERIFY(w.Find<QCheckBox>("CheckBoxVentil1")->isChecked());
        QVERIFY(w.Find<QCheckBox>("CheckBoxVentil2")->isChecked());
        // A slave uses bits 4 and 7 of its own Out only.
        w.Pages.ShowOutputs(1, 0x90);
        w.Pages.ShowOutputs(2, 0x6F);
        QVERIFY(w.Find<QCheckBox>("CheckBoxPoruchaSL1")->isChecked());
        QVERIFY(w.Find<QCheckBox>("CheckBoxVentilSl1")->isChecked());
        QVERIFY(!w.Find<QCheckBox>("CheckBoxPoruchaSl2")->isChecked());
        QVERIFY(!w.Find<QCheckBox>("CheckBoxVentilSl2")->isChecked());
        // Cleared bits untick again.
        w.Pages.ShowOutputs(0, 0);
        QVERIFY(!w.Find<QCheckBox>("CheckBoxChlaz")->isChecked());
    }

    void DisplayOnlyBoxesIgnoreClicks() {
        TWindow w;
        w.Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.Window));
        w.Tabs->setCurrentIndex(0);
        auto* box = w.Find<QCheckBox>("CheckBoxTest");
        // On the indicator itself: the middle of a wide box may lie past its caption.
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QVERIFY(!box->isChecked());
        QTest::keyClick(box, Qt::Key_Space);
        QVERIFY(!box->isChecked());
        w.Pages.ShowStateCode(0, TStateField::stBat, 1);
        auto* group = w.Find<TRadioGroup>("RadioGroupBat");
        QTest::mouseClick(group->Button(3), Qt::LeftButton);
        QCOMPARE(group->ItemIndex(), 1);
    }

    void DeviceIdsGoToTheirEdits() {
        TWindow w;
        w.Pages.ShowDeviceId(0, "060504030201");
        w.Pages.ShowDeviceId(3, "00000000ABCD");
        QCOMPARE(w.Find<QLineEdit>("EditID")->text(), QStringLiteral("060504030201"));
        QCOMPARE(w.Find<QLineEdit>("EditIDSL3")->text(), QStringLiteral("00000000ABCD"));
        QCOMPARE(w.Find<QLineEdit>("EditIDSl4")->text(), QString());
    }

    void HiddenSlaveControlsStillUpdate() {
        TWindow w;
        auto* vc = w.Find<TNumberEdit>("NEditVCSl3");
        auto* lineC = w.Find<TRadioGroup>("RadGrpLinkaCSl4");
        auto* vsir = w.Find<TNumberEdit>("NEditVsirSl2");
        QVERIFY(vc->isHidden());
        QVERIFY(lineC->isHidden());
        QVERIFY(vsir->isHidden());
        QVERIFY(w.Find<TShape>("LedPoruchaLinka1Sl2")->isHidden());
        QVERIFY(w.Find<TShape>("LedPoruchaCSl1")->isHidden());
        QVERIFY(!w.Find<TShape>("LedPoruchaLinka1")->isHidden());
        QVERIFY(!w.Find<TNumberEdit>("NEditVc")->isHidden());
        w.Pages.ShowValue(3, TMeasureField::VC, 4000);
        w.Pages.ShowValue(2, TMeasureField::VSir, 1250);
        w.Pages.ShowStateCode(4, TStateField::LineC, 6);
        QCOMPARE(vc->text(), QStringLiteral("04.000 V"));
        QCOMPARE(vsir->text(), QStringLiteral("01.250 V"));
        QCOMPARE(Selected(lineC), QStringLiteral("Alarm"));
    }

    void SlavePageWishIsSignalledOnChange() {
        TWindow w;
        QSignalSpy spy(&w.Pages, &TStatusPages::SlavePageShownChanged);
        for (int k = 1; k <= 4; ++k) {
            QVERIFY(w.Pages.SlavePageShown(k));
            w.Pages.ShowSlavePage(k, true); // as designed: no change
        }
        QCOMPARE(spy.count(), 0);
        w.Pages.ShowSlavePage(3, false);
        w.Pages.ShowSlavePage(3, false);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 3);
        QCOMPARE(spy.at(0).at(1).toBool(), false);
        QVERIFY(!w.Pages.SlavePageShown(3));
        w.Pages.ShowSlavePage(3, true);
        QCOMPARE(spy.count(), 2);
        QVERIFY(w.Pages.SlavePageShown(3));
    }

    void LedTableComesFromTheTags() {
        TWindow w;
        auto* stray = new TShape(&w.Window);
        stray->setObjectName(QStringLiteral("Shape99"));
        stray->SetTag(12);
        TMemoryLog log;
        w.Pages.BuildLedTable(&w.Window, log);
        QCOMPARE(log.Lines, std::vector<std::string>{"********************  Shape99"});
        QCOMPARE(w.Pages.LedAt(0, 0), w.Find<TShape>("LedProvoz"));
        QCOMPARE(w.Pages.LedAt(0, 8), w.Find<TShape>("Shape17"));
        QCOMPARE(w.Pages.LedAt(4, 22), w.Find<TShape>("LedPoruchaLinka1Sl4"));
        QCOMPARE(w.Pages.LedAt(2, 9), w.Find<TShape>("LedPoruchaSirenySl2"));
        QVERIFY(w.Pages.LedAt(0, 7) == nullptr);
        QVERIFY(w.Pages.LedAt(3, 15) == nullptr);
        for (int device = 0; device < DeviceCount; ++device) {
            for (int index : LedRefreshOrder()) {
                TShape* shape = w.Pages.LedAt(device, index);
                QVERIFY(shape != nullptr);
                QCOMPARE(shape->Tag(), 8000 + 100 * device + index);
            }
        }
    }

    void LedTagOutOfRangeRaisesAndKeepsTheTable() {
        TWindow w;
        TMemoryLog log;
        w.Pages.BuildLedTable(&w.Window, log);
        for (int tag : {8500, 8023, 8099}) {
            auto bad = std::make_unique<TShape>(&w.Window);
            bad->SetTag(tag);
            QVERIFY_THROWS_EXCEPTION(ERangeError, w.Pages.BuildLedTable(&w.Window, log));
        }
        QCOMPARE(w.Pages.LedAt(1, 3), w.Find<TShape>("LedPoplachSl1"));
        QVERIFY(log.Lines.empty());
    }

    void LedTickDrawsTheMasks() {
        TWindow w;
        TMemoryLog log;
        w.Pages.BuildLedTable(&w.Window, log);
        auto* ready = w.Find<TShape>("LedProvoz");
        QVERIFY(ready->Lit()); // the design look until the first tick
        w.Pages.TimerLedTimer();
        QVERIFY(!ready->Lit()); // masks are zero until the first status record
        QCOMPARE(ready->BrushStyle(), Qt::DiagCrossPattern);

        w.State.LedOn[0] = Bit(0) | Bit(3) | Bit(8);
        w.State.LedBlink[0] = Bit(3);
        w.State.LedBlink[3] = Bit(22); // hidden on a slave page, still driven
        auto* alarm = w.Find<TShape>("LedPoplach");
        auto* processor = w.Find<TShape>("Shape17");
        auto* fastSlave = w.Find<TShape>("LedPoruchaLinka1Sl3");
        // Counter 2, 3, 4, 5 after each tick: slow blink lit from 4, fast blink on odd counts.
        const bool alarmLooks[] = {false, false, true, true};
        const bool fastLooks[] = {false, true, false, true};
        for (int t = 0; t < 4; ++t) {
            w.Pages.TimerLedTimer();
            QVERIFY(ready->Lit());
            QCOMPARE(ready->BrushStyle(), Qt::SolidPattern);
            QVERIFY(processor->Lit());
            QCOMPARE(alarm->Lit(), alarmLooks[t]);
            QCOMPARE(fastSlave->Lit(), fastLooks[t]);
            QVERIFY(!w.Find<TShape>("LedPoplachSl3")->Lit());
        }
        QCOMPARE(w.Pages.Blinker().Counter(), uint16_t{5});
    }

    void ScreenReadersHearNamesAndLooks() {
        TWindow w;
        NameAccessibleTree(&w.Window);
        QCOMPARE(w.Find<TNumberEdit>("NEditVASl2")->accessibleName(),
                 QStringLiteral("Line A voltage, Slave 2"));
        QCOMPARE(w.Find<TNumberEdit>("NEditTBat")->accessibleName(),
                 QStringLiteral("Battery temperature, Master"));
        QCOMPARE(w.Find<QLineEdit>("EditIDSL3")->accessibleName(), QStringLiteral("ID, Slave 3"));
        QCOMPARE(w.Find<TRadioGroup>("RadioGroupBatSl1")->accessibleName(),
                 QStringLiteral("Battery state"));
        TMemoryLog log;
        w.Pages.BuildLedTable(&w.Window, log);
        auto* alarm = w.Find<TShape>("LedPoplachSl4");
        QCOMPARE(alarm->accessibleName(), QStringLiteral("Alarm, dark"));
        w.State.LedOn[4] = Bit(3);
        w.Pages.TimerLedTimer();
        QCOMPARE(alarm->accessibleName(), QStringLiteral("Alarm, lit"));
        QCOMPARE(w.Find<TShape>("LedProvoz")->accessibleName(), QStringLiteral("Sys. ready, dark"));
    }

    void LedShapesHaveTheirColours() {
        TWindow w;
        QCOMPARE(w.Find<TShape>("LedProvozSl1")->BrushColor(), QColor(0, 255, 0));
        QCOMPARE(w.Find<TShape>("LedPoplach")->BrushColor(), QColor(255, 0, 0));
        QCOMPARE(w.Find<TShape>("LedPredPoplachA")->BrushColor(), QColor(255, 0, 0));
        QCOMPARE(w.Find<TShape>("LedBlokSl4")->BrushColor(), QColor(255, 255, 0));
        QCOMPARE(w.Find<TShape>("Shape17")->BrushColor(), QColor(255, 255, 0));
    }
};

QTEST_MAIN(TStatusPagesTest)
#include "status_pages_test.moc"
