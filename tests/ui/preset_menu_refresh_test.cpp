// What the window shows of the record, how it locks during a transfer and unlocks at its end,
// and how it closes.

#include <QMenu>

#include <gtest/gtest.h>

#include "support/gui/editor_rig.h"

namespace tavrin::test {
namespace {

using protocol::PresetSetting;

const QColor kWhite(0xFF, 0xFF, 0xFF);

QColor background(QWidget* field) { return field->palette().color(QPalette::Base); }
QColor menuColour() { return QApplication::palette("QMenu").color(QPalette::Window); }

const char* const kLockedLists[] = {"FmtCombo",         "SSkipTimeCombo",    "SSkipLevelCombo",
                                    "AutoCueTimeCombo", "AutoCueLevelCombo", "RemoteModeCombo",
                                    "PresetNoCombo",    "AutoTrackTimeCombo"};
const char* const kButtons[] = {"DefaultKey", "CloseKey", "ID1SetKey", "ID2SetKey", "ID3SetKey"};
const char* const kIdFields[] = {"ID1Edit", "ID2Edit", "ID3Edit"};

TEST(PresetMenuRefresh, ShowsKnownSettingsAndLeavesUnknownOnesBlank) {
    EditorRig rig;
    rig.store.set(PresetSetting::InputSelect, 1);
    rig.store.set(PresetSetting::PlayMode, 2);
    rig.store.set(PresetSetting::PreRec, 0);
    rig.store.set(PresetSetting::SSkipLevel, 3);
    ASSERT_TRUE(rig.store.setId(PresetSetting::ID2, "XY1234"));
    rig.window.show();

    EXPECT_TRUE(rig.find<QRadioButton>("BalanceRadio")->isChecked());
    EXPECT_FALSE(rig.find<QRadioButton>("DigitalRadio")->isChecked());
    EXPECT_TRUE(rig.find<QRadioButton>("AllRepeatRadio")->isChecked());
    EXPECT_TRUE(rig.find<QRadioButton>("PreRecOffRadio")->isChecked());
    EXPECT_EQ(rig.find<QComboBox>("SSkipLevelCombo")->currentText(), "35");
    EXPECT_EQ(rig.find<QLineEdit>("ID2Edit")->text(), "XY1234");

    for (const char* unknown : {"DMYRadio", "MDYRadio", "AutoMarkOnRadio", "AutoMarkOffRadio", "EDLOnRadio"})
        EXPECT_FALSE(rig.find<QRadioButton>(unknown)->isChecked()) << unknown;
    EXPECT_EQ(rig.find<QComboBox>("PresetNoCombo")->currentIndex(), -1);
    EXPECT_EQ(rig.find<QComboBox>("PresetNoCombo")->count(), 3);
    EXPECT_EQ(rig.find<QComboBox>("RemoteModeCombo")->currentIndex(), -1);
    EXPECT_EQ(rig.find<QComboBox>("FmtCombo")->currentIndex(), -1);
    EXPECT_TRUE(rig.find<QLineEdit>("ID1Edit")->text().isEmpty());
    EXPECT_TRUE(rig.port.takeWritten().empty());
}

TEST(PresetMenuRefresh, SettingThatBecameUnknownLosesItsCheckedButton) {
    EditorRig rig;
    rig.markAllKnown();
    rig.window.show();
    ASSERT_TRUE(rig.find<QRadioButton>("PlayModeNormalRadio")->isChecked());
    rig.store.clearKnownSettings();
    rig.editor.RefreshControls();
    for (QRadioButton* radio : rig.window.findChildren<QRadioButton*>())
        EXPECT_FALSE(radio->isChecked()) << radio->objectName().toStdString();
    EXPECT_TRUE(rig.port.takeWritten().empty());
}

TEST(PresetMenuRefresh, RefreshOfAChangedRecordSendsNothing) {
    EditorRig rig;
    rig.markAllKnown();
    rig.window.show();
    rig.store.set(PresetSetting::Algorithm, 0);
    rig.store.set(PresetSetting::StereoMono, 1);
    rig.store.set(PresetSetting::DateForm, 1);
    rig.editor.RefreshControls();
    EXPECT_TRUE(rig.find<QRadioButton>("MP2Radio")->isChecked());
    EXPECT_TRUE(rig.find<QRadioButton>("MonoRadio")->isChecked());
    EXPECT_TRUE(rig.find<QRadioButton>("DMYRadio")->isChecked());
    EXPECT_TRUE(rig.port.takeWritten().empty());
}

TEST(PresetMenuRefresh, DefaultLocksTheEditorUntilTheReadThatFollowsEnds) {
    EditorRig rig;
    rig.markAllKnown();
    rig.window.show();
    rig.find<QLineEdit>("ID1Edit")->setText("TYPED1");
    QTest::mouseClick(rig.find<QPushButton>("DefaultKey"), Qt::LeftButton);
    EXPECT_EQ(rig.port.takeWritten(), "@0DEFL\r");

    // Locked: greyed and emptied; radio buttons keep their checks.
    EXPECT_FALSE(rig.window.isCloseKeyEnabled());
    for (QRadioButton* radio : rig.window.findChildren<QRadioButton*>())
        EXPECT_FALSE(radio->isEnabled()) << radio->objectName().toStdString();
    EXPECT_TRUE(rig.find<QRadioButton>("UnbalanceRadio")->isChecked());
    for (const char* name : kLockedLists) {
        QComboBox* combo = rig.find<QComboBox>(name);
        EXPECT_FALSE(combo->isEnabled()) << name;
        EXPECT_EQ(combo->currentIndex(), -1) << name;
        EXPECT_GT(combo->count(), 0) << name;
        EXPECT_EQ(background(combo), menuColour()) << name;
    }
    for (const char* name : {"SampleRateCombo", "BitRateCombo"}) {
        EXPECT_FALSE(rig.find<QComboBox>(name)->isEnabled()) << name;
        EXPECT_EQ(rig.find<QComboBox>(name)->count(), 0) << name;
    }
    for (const char* name : kIdFields) {
        EXPECT_FALSE(rig.find<QLineEdit>(name)->isEnabled()) << name;
        EXPECT_TRUE(rig.find<QLineEdit>(name)->text().isEmpty()) << name;
        EXPECT_EQ(background(rig.find<QLineEdit>(name)), menuColour()) << name;
    }
    for (const char* name : kButtons) EXPECT_FALSE(rig.find<QPushButton>(name)->isEnabled()) << name;
    EXPECT_FALSE(rig.find<QMenu>("FileMenu")->menuAction()->isEnabled());
    EXPECT_FALSE(rig.find<QMenu>("EditMenu")->menuAction()->isEnabled());

    // A locked editor ignores the operator.
    QTest::mouseClick(rig.find<QRadioButton>("DigitalRadio"), Qt::LeftButton);
    EXPECT_TRUE(rig.port.takeWritten().empty());

    // The recorder acknowledges; the re-read's last reply refreshes and unlocks.
    rig.port.receive("\x06");
    rig.link.RxTimerTimer();
    EXPECT_EQ(rig.port.takeWritten().size(), 156u);
    rig.port.receive("@0D3ABC123\r");
    rig.link.RxTimerTimer();

    EXPECT_TRUE(rig.window.isCloseKeyEnabled());
    for (QRadioButton* radio : rig.window.findChildren<QRadioButton*>()) EXPECT_TRUE(radio->isEnabled());
    for (const char* name : kLockedLists) {
        EXPECT_TRUE(rig.find<QComboBox>(name)->isEnabled()) << name;
        EXPECT_EQ(background(rig.find<QComboBox>(name)), kWhite) << name;
    }
    for (const char* name : kIdFields) {
        EXPECT_TRUE(rig.find<QLineEdit>(name)->isEnabled()) << name;
        EXPECT_EQ(background(rig.find<QLineEdit>(name)), kWhite) << name;
    }
    for (const char* name : kButtons) EXPECT_TRUE(rig.find<QPushButton>(name)->isEnabled()) << name;
    EXPECT_TRUE(rig.find<QMenu>("FileMenu")->menuAction()->isEnabled());
    EXPECT_EQ(rig.find<QLineEdit>("ID3Edit")->text(), "ABC123");
    EXPECT_TRUE(rig.find<QLineEdit>("ID1Edit")->text().isEmpty());
    EXPECT_EQ(rig.find<QComboBox>("SSkipLevelCombo")->currentIndex(), 0);
    EXPECT_TRUE(rig.port.takeWritten().empty());
    EXPECT_TRUE(rig.window.isVisible());
}

struct CloseRow {
    const char* name;
    std::function<void(EditorRig&)> close;
};

class PresetMenuClose : public testing::TestWithParam<CloseRow> {};

TEST_P(PresetMenuClose, GivesTheMainWindowBackAndAsksForStatus) {
    EditorRig rig;
    rig.displays.DisableKeyControls();
    rig.window.show();
    ASSERT_TRUE(rig.session.transfer().EditorOpen);

    GetParam().close(rig);

    EXPECT_FALSE(rig.window.isVisible());
    EXPECT_FALSE(rig.session.transfer().EditorOpen);
    EXPECT_EQ(rig.link.state().recorder.state, protocol::RecorderState::Stop);
    EXPECT_TRUE(rig.displays.keysEnabled);
    EXPECT_EQ(rig.port.takeWrites(), (std::vector<std::string>{"@0?ST\r", "@0?TMOD\r", "@0?TI\r"}));
    ASSERT_EQ(rig.log.lines.size(), 1u);
    EXPECT_EQ(rig.log.top().rfind("->@0?ST (Status Request)", 0), 0u) << rig.log.top();
    EXPECT_NE(rig.log.top().find("09:05:30"), std::string::npos) << rig.log.top();
}

INSTANTIATE_TEST_SUITE_P(
    ByCloseAndEndPresetMenu, PresetMenuClose,
    testing::Values(
        CloseRow{"CloseKey",
                 [](EditorRig& rig) {
                     QTest::mouseClick(rig.find<QPushButton>("CloseKey"), Qt::LeftButton);
                 }},
        CloseRow{"EndPresetMenu", [](EditorRig& rig) { rig.action("EndPresetMenu")->trigger(); }}),
    [](const testing::TestParamInfo<CloseRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavrin::test
