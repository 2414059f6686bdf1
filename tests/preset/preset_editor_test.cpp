#include "preset/preset_editor.h"

#include <algorithm>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/reply.h"
#include "support/fake_editor_view.h"
#include "support/core_rig.h"
#include "support/fakes.h"

namespace tavrin::preset {
namespace {

using namespace protocol;

using S = PresetSetting;
constexpr auto& kLists = kSettingsShownAs<Control::List>;
constexpr auto& kRadioGroups = kSettingsShownAs<Control::Radios>;
using Texts = std::vector<std::string>;
using Writes = std::vector<std::string>;

std::string frame(std::string_view body) { return "@0" + std::string(body) + "\r"; }

// Every value of the record, IDs included, for comparing a record before and after.
std::vector<std::string> everyValue(const PresetStore& store) {
    std::vector<std::string> values;
    for (int i = 0; i < kSettingCount; ++i) {
        const S s = settingAt(i);
        values.push_back(isId(s) ? std::string(store.id(s)) : std::to_string(store.get(s)));
    }
    return values;
}

class PresetEditorTest : public ::testing::Test, public test::CoreRig<> {
protected:
    void SetUp() override {
        port.open(2);
        session.ResetPresetRecord();
        core.attachEditorView(view);
        view.onShowModal = [this] { editor.FormShow(); };
    }

    void hold(std::initializer_list<std::pair<S, int>> values) {
        for (const auto& [s, v] : values) store.set(s, v);
    }

    // The editor as a finished read shows it: open and refreshed, nothing sent yet.
    void open() {
        editor.FormShow();
        port.takeWrites();
        view.takeJournal();
    }

    Writes sent() { return port.takeWrites(); }

    // The recorder answering one query of a read.
    void reply(std::string_view line) { session.presetReply(protocol::classify(line)); }

    test::FakeEditorView view;
};

// ---- RefreshControls -------------------------------------------------------------------------

TEST_F(PresetEditorTest, RefreshShowsEveryKnownSettingAndSendsNothing) {
    hold({{S::PresetNo, 1},    {S::InputSelect, 1},   {S::DateForm, 1},      {S::StereoMono, 1},
          {S::Algorithm, 0},   {S::BitRate, 5},       {S::SampleRate, 3},    {S::FileFormat, 2},
          {S::PreRec, 0},      {S::AutoMark, 1},      {S::MTrack, 1},        {S::AutoTrack, 1},
          {S::AutoTrackTime, 7}, {S::SeamlsPlay, 1},  {S::SilentSkip, 1},    {S::SSkipTime, 2},
          {S::SSkipLevel, 8},  {S::AutoCue, 1},       {S::AutoCueTime, 18},  {S::AutoCueLevel, 3},
          {S::PlayMode, 3},    {S::EDLPlay, 1},       {S::RemoteMode, 2}});
    store.setId(S::ID1, "ABC123");
    store.setId(S::ID2, "ZZZ999");
    store.setId(S::ID3, "000000");

    editor.FormShow();

    EXPECT_TRUE(session.transfer().EditorOpen);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(view.selectedText(S::PresetNo), "2");
    EXPECT_EQ(view.checked(S::InputSelect), 1);
    EXPECT_EQ(view.checked(S::StereoMono), 1);
    EXPECT_EQ(view.checked(S::Algorithm), 0);
    EXPECT_EQ(view.entries(S::SampleRate), (Texts{"32", "44.1", "48"}));
    EXPECT_EQ(view.selectedText(S::SampleRate), "32");
    EXPECT_EQ(view.entries(S::BitRate), (Texts{"32", "48", "64", "96", "128", "192"}));
    EXPECT_EQ(view.selectedText(S::BitRate), "96");
    EXPECT_EQ(view.entries(S::FileFormat), (Texts{".bwf", ".mpg"}));
    EXPECT_EQ(view.selectedText(S::FileFormat), ".mpg");
    EXPECT_EQ(view.checked(S::PlayMode), 3);
    EXPECT_EQ(view.checked(S::PreRec), 0);
    EXPECT_EQ(view.checked(S::AutoMark), 1);
    EXPECT_EQ(view.checked(S::MTrack), 1);
    EXPECT_EQ(view.checked(S::SeamlsPlay), 1);
    EXPECT_EQ(view.checked(S::DateForm), 1);
    EXPECT_EQ(view.checked(S::EDLPlay), 1);
    EXPECT_EQ(view.checked(S::SilentSkip), 1);
    EXPECT_EQ(view.selectedText(S::SSkipTime), "3");
    EXPECT_EQ(view.selectedText(S::SSkipLevel), "60");
    EXPECT_EQ(view.checked(S::AutoTrack), 1);
    EXPECT_EQ(view.selectedText(S::AutoTrackTime), "6hour");
    EXPECT_EQ(view.checked(S::AutoCue), 1);
    EXPECT_EQ(view.selectedText(S::AutoCueTime), "95");
    EXPECT_EQ(view.selectedText(S::AutoCueLevel), "35");
    EXPECT_EQ(view.selectedText(S::RemoteMode), "EDL Mark");
    EXPECT_EQ(view.idText(S::ID1), "ABC123");
    EXPECT_EQ(view.idText(S::ID2), "ZZZ999");
    EXPECT_EQ(view.idText(S::ID3), "000000");
}

TEST_F(PresetEditorTest, RefreshLeavesUnknownSettingsBlankButShowsSampleAndBitRate) {
    editor.FormShow();  // right after the reset: nothing known

    EXPECT_TRUE(sent().empty());
    for (S group : kRadioGroups)
        EXPECT_EQ(view.checked(group), -1) << info(group).name;
    for (S list : kLists) {
        if (list == S::SampleRate || list == S::BitRate) continue;  // shown whatever their flags say
        EXPECT_EQ(view.selected(list), -1) << info(list).name;
    }
    EXPECT_EQ(view.entries(S::AutoCueTime).size(), 19u);  // lists keep their entries
    EXPECT_TRUE(view.entries(S::FileFormat).empty());
    for (S id : {S::ID1, S::ID2, S::ID3}) EXPECT_EQ(view.idText(id), "");
    // Reset values: unbalanced, MP3, 48 kHz, 128 kbit/s; the channel held 0 (stereo).
    EXPECT_EQ(view.entries(S::SampleRate), (Texts{"16", "22.5", "24", "32", "44.1", "48"}));
    EXPECT_EQ(view.selectedText(S::SampleRate), "48");
    EXPECT_EQ(view.entries(S::BitRate), (Texts{"64", "80", "128", "160", "256", "320"}));
    EXPECT_EQ(view.selectedText(S::BitRate), "128");
}

TEST_F(PresetEditorTest, UnknownFileFormatKeepsTheEntriesOfTheLastFill) {
    hold({{S::Algorithm, 2}, {S::FileFormat, 1}});
    open();
    EXPECT_EQ(view.selectedText(S::FileFormat), ".wav");

    store.clearKnownSettings();
    editor.RefreshControls();

    EXPECT_EQ(view.entries(S::FileFormat), (Texts{".bwf", ".wav"}));
    EXPECT_EQ(view.selected(S::FileFormat), -1);
}

TEST_F(PresetEditorTest, KnownValueOutsideItsListSelectsNothing) {
    hold({{S::SSkipTime, 9}, {S::RemoteMode, 7}, {S::PlayMode, 9}, {S::PresetNo, 3}, {S::InputSelect, 4},
          {S::AutoMark, 5}, {S::DateForm, 2}, {S::StereoMono, 2}});
    open();

    EXPECT_EQ(view.selected(S::SSkipTime), -1);
    EXPECT_EQ(view.selected(S::RemoteMode), -1);
    EXPECT_EQ(view.selected(S::PresetNo), -1);
    EXPECT_EQ(view.checked(S::PlayMode), -1);
    EXPECT_EQ(view.checked(S::InputSelect), -1);
    EXPECT_EQ(view.checked(S::AutoMark), 1);    // on/off: any value but 0 is On
    EXPECT_EQ(view.checked(S::DateForm), 0);    // MDY unless the value is 1
    EXPECT_EQ(view.checked(S::StereoMono), 1);  // mono unless the value is 0
}

TEST_F(PresetEditorTest, RefreshOfMP2BelowThirtyTwoKilohertzShows44k1WithoutMarkingIt) {
    hold({{S::InputSelect, 1}, {S::Algorithm, 0}});
    store.StoreSampleRateUnmarked(1);

    open();

    EXPECT_EQ(store.record().SampleRate, 4);
    EXPECT_FALSE(store.isKnown(S::SampleRate));
    EXPECT_EQ(view.selectedText(S::SampleRate), "44.1");
    EXPECT_TRUE(sent().empty());
}

TEST_F(PresetEditorTest, DigitalInputEmptiesAndDisablesTheSampleRateList) {
    hold({{S::InputSelect, 0}, {S::Algorithm, 0}, {S::SampleRate, 1}});
    open();

    EXPECT_TRUE(view.entries(S::SampleRate).empty());
    EXPECT_FALSE(view.isListEnabled(S::SampleRate));
    EXPECT_EQ(store.record().SampleRate, 1);
}

TEST_F(PresetEditorTest, PCMEmptiesAndDisablesTheBitRateList) {
    hold({{S::Algorithm, 2}, {S::BitRate, 9}});
    open();

    EXPECT_TRUE(view.entries(S::BitRate).empty());
    EXPECT_FALSE(view.isListEnabled(S::BitRate));
    EXPECT_EQ(store.record().BitRate, 9);
}

// A toolkit may report the programmatic checks of a refresh as clicks: they must send nothing.
TEST_F(PresetEditorTest, RefreshedValuesReportedAsClicksSendNothing) {
    hold({{S::PresetNo, 2},    {S::InputSelect, 1},   {S::DateForm, 0},     {S::StereoMono, 0},
          {S::Algorithm, 1},   {S::BitRate, 7},       {S::SampleRate, 4},   {S::FileFormat, 3},
          {S::PreRec, 1},      {S::AutoMark, 0},      {S::MTrack, 1},       {S::AutoTrack, 0},
          {S::AutoTrackTime, 3}, {S::SeamlsPlay, 0},  {S::SilentSkip, 1},   {S::SSkipTime, 4},
          {S::SSkipLevel, 0},  {S::AutoCue, 0},       {S::AutoCueTime, 5},  {S::AutoCueLevel, 8},
          {S::PlayMode, 2},    {S::EDLPlay, 0},       {S::RemoteMode, 1}});
    open();

    for (S group : kRadioGroups)
        editor.radioClicked(group, view.checked(group));
    for (S list : kLists)
        editor.listChanged(list, view.selected(list));

    EXPECT_TRUE(sent().empty());
    EXPECT_FALSE(editor.locked());
}

// ---- LockControls and UnlockControls ---------------------------------------------------------

TEST_F(PresetEditorTest, LockGreysAndEmptiesWhatATransferMustNotTouch) {
    hold({{S::InputSelect, 1}, {S::Algorithm, 1}, {S::FileFormat, 3}, {S::PlayMode, 1}, {S::RemoteMode, 2},
          {S::PresetNo, 1}, {S::AutoTrackTime, 4}});
    store.setId(S::ID2, "ABCDEF");
    open();
    view.typeId(S::ID1, "TYPED1");

    editor.LockControls();

    EXPECT_TRUE(editor.locked());
    EXPECT_FALSE(view.radiosEnabled);
    EXPECT_EQ(view.checked(S::PlayMode), 1);  // radios keep their checks
    for (S list : {S::SampleRate, S::BitRate}) {
        EXPECT_FALSE(view.isListEnabled(list)) << info(list).name;
        EXPECT_TRUE(view.entries(list).empty()) << info(list).name;
    }
    for (S list : kLists) {
        if (list == S::SampleRate || list == S::BitRate) continue;
        EXPECT_FALSE(view.isListEnabled(list)) << info(list).name;
        EXPECT_EQ(view.selected(list), -1) << info(list).name;
        EXPECT_FALSE(view.entries(list).empty()) << info(list).name;  // the entries stay
    }
    EXPECT_FALSE(view.menusEnabled);
    EXPECT_FALSE(view.idFieldsEnabled);
    for (S id : {S::ID1, S::ID2, S::ID3}) EXPECT_EQ(view.idText(id), "");
    EXPECT_FALSE(view.buttonsEnabled);
    EXPECT_EQ(view.repaints, 1);
    EXPECT_EQ(view.takeJournal().back(), "repaintNow");
    EXPECT_TRUE(sent().empty());
}

TEST_F(PresetEditorTest, RefreshUnlocksAndShowsTheValuesAgain) {
    hold({{S::InputSelect, 1}, {S::Algorithm, 1}, {S::FileFormat, 3}, {S::RemoteMode, 2}});
    store.setId(S::ID2, "ABCDEF");
    open();
    editor.LockControls();

    editor.RefreshControls();

    EXPECT_FALSE(editor.locked());
    EXPECT_TRUE(view.radiosEnabled);
    EXPECT_TRUE(view.menusEnabled);
    EXPECT_TRUE(view.idFieldsEnabled);
    EXPECT_TRUE(view.buttonsEnabled);
    for (S list : kLists)
        EXPECT_TRUE(view.isListEnabled(list)) << info(list).name;
    EXPECT_EQ(view.selectedText(S::RemoteMode), "EDL Mark");
    EXPECT_EQ(view.selectedText(S::FileFormat), ".mp3");
    EXPECT_EQ(view.selectedText(S::SampleRate), "48");
    EXPECT_EQ(view.idText(S::ID2), "ABCDEF");
    EXPECT_TRUE(sent().empty());
}

TEST_F(PresetEditorTest, RefreshWhileUnlockedDoesNotUnlock) {
    open();

    editor.RefreshControls();

    for (const std::string& call : view.takeJournal()) {
        EXPECT_NE(call, "setRadiosEnabled on");
        EXPECT_NE(call, "setMenusEnabled on");
        EXPECT_NE(call, "setIdFieldsEnabled on");
        EXPECT_NE(call, "setButtonsEnabled on");
    }
}

TEST_F(PresetEditorTest, RefreshStepsRunInOrder) {
    hold({{S::InputSelect, 1}, {S::FileFormat, 0}});
    open();
    editor.LockControls();
    view.takeJournal();

    editor.RefreshControls();

    const Writes journal = view.takeJournal();
    auto at = [&journal](std::string_view call) {
        return std::find(journal.begin(), journal.end(), call) - journal.begin();
    };
    EXPECT_LT(at("setButtonsEnabled on"), at("selectListEntry Preset No. -1"));
    EXPECT_LT(at("checkRadio Algorithm -1"), at("setListEntries Sampling Rate 16 22.5 24 32 44.1 48"));
    EXPECT_LT(at("setListEntries Sampling Rate 16 22.5 24 32 44.1 48"),
              at("setListEntries Bit Rate 64 80 128 160 256 320"));
    EXPECT_LT(at("setListEntries Bit Rate 64 80 128 160 256 320"),
              at("setListEntries File Extension .bwf .mp3"));
    EXPECT_LT(at("checkRadio Seamless Play -1"), at("checkRadio Date Form -1"));
    EXPECT_LT(at("selectListEntry Remote Mode -1"), at("setIdText BWF ID1 \"\""));
    EXPECT_EQ(journal.back(), "setIdText BWF ID3 \"\"");
}

// ---- Input, channel, format, sample rate, bit rate and file type -----------------------------

TEST_F(PresetEditorTest, StereoMP2At384ToMP3SendsOnlyTheFormatAndCarries320) {
    hold({{S::InputSelect, 2}, {S::StereoMono, 0}, {S::Algorithm, 0}, {S::SampleRate, 5}, {S::BitRate, 11}});
    open();

    editor.MP3RadioClick();
    EXPECT_EQ(sent(), Writes{frame("AFM3")});
    EXPECT_EQ(store.record().BitRate, 10);
    EXPECT_EQ(view.selectedText(S::BitRate), "320");

    editor.MP2RadioClick();
    EXPECT_EQ(sent(), Writes{frame("AFM2")});
    EXPECT_EQ(store.record().BitRate, 11);
    EXPECT_EQ(view.selectedText(S::BitRate), "384");
}

TEST_F(PresetEditorTest, MonoMP2At48ToMP3Carries40) {
    hold({{S::StereoMono, 1}, {S::Algorithm, 0}, {S::SampleRate, 4}, {S::BitRate, 2}});
    open();

    editor.MP3RadioClick();

    EXPECT_EQ(sent(), Writes{frame("AFM3")});
    EXPECT_EQ(store.record().BitRate, 1);
    EXPECT_EQ(view.selectedText(S::BitRate), "40");
}

TEST_F(PresetEditorTest, CarriedValuesAreMarkedKnownButNotSent) {
    store.set(S::BitRate, 11);
    store.set(S::FileFormat, 2);
    store.clearKnownSettings();
    hold({{S::Algorithm, 0}, {S::StereoMono, 0}, {S::SampleRate, 5}});
    open();

    editor.MP3RadioClick();

    EXPECT_EQ(store.record().BitRate, 10);
    EXPECT_TRUE(store.isKnown(S::BitRate));
    EXPECT_EQ(store.record().FileFormat, 3);
    EXPECT_TRUE(store.isKnown(S::FileFormat));
    EXPECT_EQ(sent(), Writes{frame("AFM3")});
}

TEST_F(PresetEditorTest, BitRateLeftAsItIsKeepsItsFlag) {
    hold({{S::Algorithm, 0}, {S::StereoMono, 0}, {S::SampleRate, 5}});
    open();  // the bit rate holds its reset value, 128, and is not known

    editor.MP3RadioClick();

    EXPECT_EQ(store.record().BitRate, 6);
    EXPECT_FALSE(store.isKnown(S::BitRate));
}

TEST_F(PresetEditorTest, StereoMP2At384ToMonoAndBackSendsOnlyTheChannel) {
    hold({{S::StereoMono, 0}, {S::Algorithm, 0}, {S::SampleRate, 5}, {S::BitRate, 11}});
    open();

    editor.MonoRadioClick();
    EXPECT_EQ(store.record().BitRate, 8);
    EXPECT_EQ(view.selectedText(S::BitRate), "192");
    editor.StereoRadioClick();
    EXPECT_EQ(store.record().BitRate, 11);
    EXPECT_EQ(view.selectedText(S::BitRate), "384");

    EXPECT_EQ(sent(), (Writes{frame("CHMO"), frame("CHST")}));
}

TEST_F(PresetEditorTest, StereoMP3From44k1At320To22k5AndBackTo48k) {
    hold({{S::InputSelect, 1}, {S::StereoMono, 0}, {S::Algorithm, 1}, {S::SampleRate, 4}, {S::BitRate, 10}});
    open();

    editor.SampleRateComboChange(1);
    EXPECT_EQ(sent(), Writes{frame("FS22")});
    EXPECT_EQ(store.record().BitRate, 7);
    EXPECT_EQ(view.entries(S::BitRate), (Texts{"32", "40", "64", "80", "128", "160"}));
    EXPECT_EQ(view.selectedText(S::BitRate), "160");

    editor.SampleRateComboChange(5);
    EXPECT_EQ(sent(), Writes{frame("FS48")});
    EXPECT_EQ(store.record().BitRate, 10);
    EXPECT_EQ(view.selectedText(S::BitRate), "320");
}

TEST_F(PresetEditorTest, MonoMP3KeepsItsBitRateWhenTheRateClassChanges) {
    hold({{S::InputSelect, 1}, {S::StereoMono, 1}, {S::Algorithm, 1}, {S::SampleRate, 4}, {S::BitRate, 0}});
    open();

    editor.SampleRateComboChange(1);

    EXPECT_EQ(sent(), Writes{frame("FS22")});
    EXPECT_EQ(store.record().BitRate, 0);
    EXPECT_EQ(view.selectedText(S::BitRate), "32");
}

TEST_F(PresetEditorTest, StereoMP3At16kHzKeepsItsBitRateGoingMono) {
    hold({{S::InputSelect, 1}, {S::StereoMono, 0}, {S::Algorithm, 1}, {S::SampleRate, 0}, {S::BitRate, 7}});
    open();

    editor.MonoRadioClick();

    EXPECT_EQ(sent(), Writes{frame("CHMO")});
    EXPECT_EQ(store.record().BitRate, 7);
    EXPECT_EQ(view.selectedText(S::BitRate), "160");
}

TEST_F(PresetEditorTest, MP3At16kHzToMP2MovesTheRateTo44k1Unsent) {
    hold({{S::InputSelect, 2}, {S::StereoMono, 0}, {S::Algorithm, 1}, {S::SampleRate, 0}, {S::BitRate, 3}});
    open();

    editor.MP2RadioClick();

    EXPECT_EQ(sent(), Writes{frame("AFM2")});
    EXPECT_EQ(store.record().SampleRate, 4);
    EXPECT_TRUE(store.isKnown(S::SampleRate));  // known before, known still
    EXPECT_EQ(view.entries(S::SampleRate), (Texts{"32", "44.1", "48"}));
    EXPECT_EQ(view.selectedText(S::SampleRate), "44.1");
    EXPECT_EQ(store.record().BitRate, 6);  // 64 of the MP3 low list is 128 in the MP2 stereo list
}

TEST_F(PresetEditorTest, MP2WithUnknownLowRateLeavesItsFlagClear) {
    hold({{S::InputSelect, 1}, {S::Algorithm, 1}});
    store.StoreSampleRateUnmarked(2);
    open();

    editor.MP2RadioClick();

    EXPECT_EQ(store.record().SampleRate, 4);
    EXPECT_FALSE(store.isKnown(S::SampleRate));
}

TEST_F(PresetEditorTest, MP3At16kHzToMP2WithDigitalInputKeeps16kHz) {
    hold({{S::InputSelect, 0}, {S::Algorithm, 1}, {S::SampleRate, 0}});
    open();

    editor.MP2RadioClick();

    EXPECT_EQ(sent(), Writes{frame("AFM2")});
    EXPECT_EQ(store.record().SampleRate, 0);
    EXPECT_FALSE(view.isListEnabled(S::SampleRate));
    EXPECT_TRUE(view.entries(S::SampleRate).empty());
}

TEST_F(PresetEditorTest, DigitalInputHidesTheRateAndAnalogueShowsItAgain) {
    hold({{S::InputSelect, 1}, {S::Algorithm, 1}, {S::SampleRate, 2}});
    open();

    editor.DigitalRadioClick();
    EXPECT_EQ(sent(), Writes{frame("INDI")});
    EXPECT_FALSE(view.isListEnabled(S::SampleRate));
    EXPECT_TRUE(view.entries(S::SampleRate).empty());
    EXPECT_EQ(store.record().SampleRate, 2);

    editor.UnbalanceRadioClick();
    EXPECT_EQ(sent(), Writes{frame("INUB")});
    EXPECT_TRUE(view.isListEnabled(S::SampleRate));
    EXPECT_EQ(view.selectedText(S::SampleRate), "24");
}

TEST_F(PresetEditorTest, AnalogueInputForMP2MovesALowRateTo44k1) {
    hold({{S::InputSelect, 0}, {S::Algorithm, 0}, {S::SampleRate, 0}});
    open();

    editor.BalanceRadioClick();

    EXPECT_EQ(sent(), Writes{frame("INBA")});
    EXPECT_EQ(store.record().SampleRate, 4);
    EXPECT_EQ(view.selectedText(S::SampleRate), "44.1");
}

TEST_F(PresetEditorTest, PCMKeepsTheBitRateAndALaterMP3ConvertsIt) {
    hold({{S::InputSelect, 1}, {S::StereoMono, 0}, {S::Algorithm, 0}, {S::SampleRate, 5}, {S::BitRate, 11},
          {S::FileFormat, 2}});
    open();

    editor.PCMRadioClick();
    EXPECT_EQ(sent(), Writes{frame("AFPM")});
    EXPECT_TRUE(view.entries(S::BitRate).empty());
    EXPECT_FALSE(view.isListEnabled(S::BitRate));
    EXPECT_EQ(store.record().BitRate, 11);
    EXPECT_EQ(store.record().FileFormat, 1);
    EXPECT_EQ(view.selectedText(S::FileFormat), ".wav");

    editor.MP3RadioClick();
    EXPECT_EQ(sent(), Writes{frame("AFM3")});
    EXPECT_EQ(store.record().BitRate, 10);
    EXPECT_TRUE(view.isListEnabled(S::BitRate));
    EXPECT_EQ(view.selectedText(S::BitRate), "320");
}

TEST_F(PresetEditorTest, BitRateMissingFromTheOfferedListSelectsNothingAndStays) {
    hold({{S::InputSelect, 1}, {S::StereoMono, 0}, {S::Algorithm, 2}, {S::SampleRate, 0}, {S::BitRate, 9}});
    open();

    editor.MP3RadioClick();

    EXPECT_EQ(store.record().BitRate, 9);
    EXPECT_EQ(view.entries(S::BitRate), (Texts{"32", "40", "64", "80", "128", "160"}));
    EXPECT_EQ(view.selected(S::BitRate), -1);
    EXPECT_EQ(sent(), Writes{frame("AFM3")});
}

TEST_F(PresetEditorTest, FileTypeFollowsTheFormatAndBwfSurvives) {
    hold({{S::Algorithm, 0}, {S::FileFormat, 2}});
    open();
    EXPECT_EQ(view.entries(S::FileFormat), (Texts{".bwf", ".mpg"}));

    editor.MP3RadioClick();
    EXPECT_EQ(store.record().FileFormat, 3);
    EXPECT_EQ(view.entries(S::FileFormat), (Texts{".bwf", ".mp3"}));
    EXPECT_EQ(view.selectedText(S::FileFormat), ".mp3");
    editor.PCMRadioClick();
    EXPECT_EQ(store.record().FileFormat, 1);
    EXPECT_EQ(view.selectedText(S::FileFormat), ".wav");
    EXPECT_EQ(sent(), (Writes{frame("AFM3"), frame("AFPM")}));

    editor.FmtComboChange(0);
    EXPECT_EQ(sent(), Writes{frame("FTBW")});
    EXPECT_EQ(store.record().FileFormat, 0);
    editor.MP2RadioClick();
    EXPECT_EQ(store.record().FileFormat, 0);
    EXPECT_EQ(view.selectedText(S::FileFormat), ".bwf");
    EXPECT_EQ(sent(), Writes{frame("AFM2")});

    editor.FmtComboChange(1);
    EXPECT_EQ(sent(), Writes{frame("FTMG")});
    EXPECT_EQ(store.record().FileFormat, 2);
}

TEST_F(PresetEditorTest, AnotherFormatsTypeShowsAsTheSecondEntryAndPickingItSendsTheOwnType) {
    hold({{S::Algorithm, 2}, {S::FileFormat, 3}});
    open();
    EXPECT_EQ(view.selectedText(S::FileFormat), ".wav");

    editor.FmtComboChange(1);

    EXPECT_EQ(sent(), Writes{frame("FTWA")});
    EXPECT_EQ(store.record().FileFormat, 1);
}

TEST_F(PresetEditorTest, PickingTheSelectedEntryOfADependentListSendsNothing) {
    hold({{S::InputSelect, 1}, {S::StereoMono, 0}, {S::Algorithm, 0}, {S::SampleRate, 4}, {S::BitRate, 6},
          {S::FileFormat, 2}});
    open();

    editor.SampleRateComboChange(view.selected(S::SampleRate));
    editor.BitRateComboChange(view.selected(S::BitRate));
    editor.FmtComboChange(view.selected(S::FileFormat));

    EXPECT_TRUE(sent().empty());
}

TEST_F(PresetEditorTest, PickedEntriesStandForTheirListsCodes) {
    hold({{S::InputSelect, 1}, {S::StereoMono, 1}, {S::Algorithm, 0}, {S::SampleRate, 4}, {S::BitRate, 6}});
    open();

    editor.SampleRateComboChange(2);  // MP2: entry 2 is 48 kHz
    editor.BitRateComboChange(0);     // MP2 mono: entry 0 is 32 kbit/s

    EXPECT_EQ(sent(), (Writes{frame("FS48"), frame("BR032")}));
    EXPECT_EQ(store.record().SampleRate, 5);
    EXPECT_EQ(store.record().BitRate, 0);
}

TEST_F(PresetEditorTest, SameInputChannelOrFormatSendsNothing) {
    hold({{S::InputSelect, 2}, {S::StereoMono, 1}, {S::Algorithm, 2}});
    open();

    editor.UnbalanceRadioClick();
    editor.MonoRadioClick();
    editor.PCMRadioClick();
    editor.radioClicked(S::InputSelect, 2);
    editor.radioClicked(S::StereoMono, 1);
    editor.radioClicked(S::Algorithm, 2);

    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(view.takeJournal().empty());
}

TEST_F(PresetEditorTest, BitRatePickWhilePCMIsIgnored) {
    hold({{S::Algorithm, 2}, {S::BitRate, 6}});
    open();

    editor.BitRateComboChange(0);

    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(store.record().BitRate, 6);
}

// Stereo MP2 can hold 32 kbit/s (from a file, or carried from PCM); going mono used to store
// 32 - 3, a value outside the table that no command, file line or list entry exists for.
TEST_F(PresetEditorTest, MonoWithBitRateBelow64KeepsAValidCode) {
    hold({{S::StereoMono, 0}, {S::Algorithm, 0}, {S::SampleRate, 5}, {S::BitRate, 0}});
    open();

    editor.MonoRadioClick();

    EXPECT_EQ(store.record().BitRate, 0);
    EXPECT_EQ(sent(), Writes{frame("CHMO")});
    session.SendSetting(S::BitRate);
    EXPECT_EQ(sent(), Writes{frame("BR032")});
}

TEST_F(PresetEditorTest, StereoMP3GoingToLowRateBelow64KeepsAValidCode) {
    hold({{S::InputSelect, 1}, {S::StereoMono, 0}, {S::Algorithm, 1}, {S::SampleRate, 5}, {S::BitRate, 1}});
    open();

    editor.SampleRateComboChange(0);

    EXPECT_EQ(store.record().BitRate, 1);
    EXPECT_EQ(view.selectedText(S::BitRate), "40");
}

TEST_F(PresetEditorTest, NothingSelectedNeverReachesTheRecord) {
    hold({{S::InputSelect, 1}, {S::Algorithm, 1}, {S::SampleRate, 3}, {S::BitRate, 6}, {S::FileFormat, 0},
          {S::RemoteMode, 1}, {S::PresetNo, 0}});
    open();
    const std::vector<std::string> before = everyValue(store);

    for (S list : kLists) {
        editor.listChanged(list, -1);
        editor.listChanged(list, 99);
    }
    editor.radioClicked(S::PlayMode, -1);
    editor.radioClicked(S::PreRec, 7);

    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(everyValue(store), before);
    EXPECT_FALSE(editor.locked());
}

// ---- Every other control ---------------------------------------------------------------------

struct HandlerRow {
    const char* name;
    S setting;
    bool list;       // a list pick, else a radio click
    int held;        // the record's value before
    int picked;      // the button's value or the list position
    const char* sends;  // the body of the one frame sent; empty: nothing sent
    int stored;      // the record's value after
};

void PrintTo(const HandlerRow& row, std::ostream* os) { *os << row.name; }

class EditorHandler : public PresetEditorTest, public ::testing::WithParamInterface<HandlerRow> {};

TEST_P(EditorHandler, SendsItsOneFrameOrNothingWhenItsGuardHolds) {
    const HandlerRow& row = GetParam();
    store.set(row.setting, row.held);
    open();

    if (row.list)
        editor.listChanged(row.setting, row.picked);
    else
        editor.radioClicked(row.setting, row.picked);

    const std::string body = row.sends;
    EXPECT_EQ(sent(), body.empty() ? Writes{} : Writes{frame(body)});
    EXPECT_EQ(store.get(row.setting), row.stored);
    EXPECT_TRUE(store.isKnown(row.setting));
}

INSTANTIATE_TEST_SUITE_P(
    EveryControl, EditorHandler,
    ::testing::Values(
        HandlerRow{"TrackRepeatWhileTrackRepeat", S::PlayMode, false, 1, 1, "", 1},
        HandlerRow{"AllRepeatFromTrackRepeat", S::PlayMode, false, 1, 2, "PMAL", 2},
        HandlerRow{"TrackRepeatFromNormal", S::PlayMode, false, 0, 1, "PMAR", 1},
        HandlerRow{"SinglePlayFromNormal", S::PlayMode, false, 0, 3, "PMSP", 3},
        HandlerRow{"NormalFromSinglePlay", S::PlayMode, false, 3, 0, "PMOF", 0},
        HandlerRow{"PreRecOnWhileOn", S::PreRec, false, 1, 1, "", 1},
        HandlerRow{"PreRecOffFromOn", S::PreRec, false, 1, 0, "PR01", 0},
        HandlerRow{"PreRecOnFromOff", S::PreRec, false, 0, 1, "PR00", 1},
        HandlerRow{"PreRecOffWhileOff", S::PreRec, false, 0, 0, "", 0},
        HandlerRow{"AutoMarkOnFromOff", S::AutoMark, false, 0, 1, "AM00", 1},
        HandlerRow{"AutoMarkOffFromOn", S::AutoMark, false, 1, 0, "AM01", 0},
        HandlerRow{"AutoMarkOnWhileOddNonZero", S::AutoMark, false, 5, 1, "", 5},
        HandlerRow{"MTrackOnFromOff", S::MTrack, false, 0, 1, "MT00", 1},
        HandlerRow{"MTrackOffFromOn", S::MTrack, false, 1, 0, "MT01", 0},
        HandlerRow{"AutoTrackOnFromOff", S::AutoTrack, false, 0, 1, "AK00", 1},
        HandlerRow{"AutoTrackOffFromOn", S::AutoTrack, false, 1, 0, "AK01", 0},
        HandlerRow{"SeamlsPlayOnFromOff", S::SeamlsPlay, false, 0, 1, "CP00", 1},
        HandlerRow{"SeamlsPlayOffFromOn", S::SeamlsPlay, false, 1, 0, "CP01", 0},
        HandlerRow{"SilentSkipOnFromOff", S::SilentSkip, false, 0, 1, "SS00", 1},
        HandlerRow{"SilentSkipOffWhileOff", S::SilentSkip, false, 0, 0, "", 0},
        HandlerRow{"AutoCueOnFromOff", S::AutoCue, false, 0, 1, "AC00", 1},
        HandlerRow{"AutoCueOffFromOn", S::AutoCue, false, 1, 0, "AC01", 0},
        HandlerRow{"EDLOnFromOff", S::EDLPlay, false, 0, 1, "EP00", 1},
        HandlerRow{"EDLOffFromOn", S::EDLPlay, false, 1, 0, "EP01", 0},
        HandlerRow{"DMYFromMDY", S::DateForm, false, 0, 1, "DFDM", 1},
        HandlerRow{"MDYFromDMY", S::DateForm, false, 1, 0, "DFMD", 0},
        HandlerRow{"DMYWhileDMY", S::DateForm, false, 1, 1, "", 1},
        HandlerRow{"MDYWhileMDY", S::DateForm, false, 0, 0, "", 0},
        HandlerRow{"AutoTrackTime24Hours", S::AutoTrackTime, true, 0, 10, "AT2400", 10},
        HandlerRow{"AutoTrackTimeSame", S::AutoTrackTime, true, 4, 4, "", 4},
        HandlerRow{"SSkipTime5Seconds", S::SSkipTime, true, 0, 4, "SC05", 4},
        HandlerRow{"SSkipLevel60dB", S::SSkipLevel, true, 0, 8, "SL60", 8},
        HandlerRow{"SSkipLevelSame", S::SSkipLevel, true, 3, 3, "", 3},
        HandlerRow{"AutoCueTime95Seconds", S::AutoCueTime, true, 0, 18, "CT95", 18},
        HandlerRow{"AutoCueLevel25dB", S::AutoCueLevel, true, 0, 1, "CL25", 1},
        HandlerRow{"RemoteModeManualTrack", S::RemoteMode, true, 0, 3, "RCMT", 3},
        HandlerRow{"RemoteModeStartStopTrack", S::RemoteMode, true, 0, 1, "RCSR", 1},
        HandlerRow{"RemoteModeSame", S::RemoteMode, true, 2, 2, "", 2},
        HandlerRow{"RemoteModePastTheList", S::RemoteMode, true, 2, 4, "", 2},
        HandlerRow{"AutoCueTimePastTheList", S::AutoCueTime, true, 0, 19, "", 0},
        HandlerRow{"SSkipTimeNothingSelected", S::SSkipTime, true, 1, -1, "", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PresetEditorTest, OnOffSettingsStoreOnlyOneOrZero) {
    open();
    editor.radioClicked(S::AutoCue, 1);
    EXPECT_EQ(store.record().AutoCue, 1);
    editor.radioClicked(S::AutoCue, 2);
    EXPECT_EQ(store.record().AutoCue, 1);
    EXPECT_EQ(sent(), Writes{frame("AC00")});
}

TEST_F(PresetEditorTest, TimeAndLevelListsStayUsableWhileTheirSettingIsOff) {
    hold({{S::AutoTrack, 0}, {S::SilentSkip, 0}, {S::AutoCue, 0}});
    open();

    for (S list : {S::AutoTrackTime, S::SSkipTime, S::SSkipLevel, S::AutoCueTime, S::AutoCueLevel})
        EXPECT_TRUE(view.isListEnabled(list)) << info(list).name;
    editor.listChanged(S::SSkipTime, 2);
    EXPECT_EQ(sent(), Writes{frame("SC03")});
}

// ---- Transfers -------------------------------------------------------------------------------

TEST_F(PresetEditorTest, ChoosingTheShownPresetSendsNothingAndStaysUnlocked) {
    hold({{S::PresetNo, 1}});
    open();

    editor.PresetNoComboChange(1);

    EXPECT_TRUE(sent().empty());
    EXPECT_FALSE(editor.locked());
    EXPECT_FALSE(session.transfer().SelectPending);
}

TEST_F(PresetEditorTest, PresetThreeSelectsLocksAndTheReReadUnlocks) {
    hold({{S::PresetNo, 0}});
    open();

    editor.listChanged(S::PresetNo, 2);
    EXPECT_EQ(sent(), Writes{frame("PS03")});
    EXPECT_EQ(store.record().PresetNo, 2);
    EXPECT_TRUE(session.transfer().SelectPending);
    EXPECT_TRUE(editor.locked());

    session.acknowledgement(true);
    const Writes read = sent();
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].size(), 156u);
    EXPECT_TRUE(editor.locked());

    reply("@0PS03");
    reply("@0AFPM");
    reply("@0D1PRESET");
    reply("@0D3THREE3");
    EXPECT_FALSE(editor.locked());
    EXPECT_EQ(view.selectedText(S::PresetNo), "3");
    EXPECT_EQ(view.checked(S::Algorithm), 2);
    EXPECT_EQ(view.idText(S::ID1), "PRESET");
    EXPECT_EQ(view.idText(S::ID3), "THREE3");
    EXPECT_TRUE(sent().empty());
}

TEST_F(PresetEditorTest, DefaultSendsDefaultAndLocksWithoutTouchingTheRecord) {
    hold({{S::PlayMode, 2}, {S::BitRate, 9}});
    open();
    const std::vector<std::string> before = everyValue(store);

    editor.DefaultKeyClick();

    EXPECT_EQ(sent(), Writes{frame("DEFL")});
    EXPECT_TRUE(session.transfer().DefaultPending);
    EXPECT_TRUE(editor.locked());
    EXPECT_EQ(everyValue(store), before);
}

TEST_F(PresetEditorTest, ReadFromRecorderLocksThenSendsTheQueriesWithoutNotice) {
    open();
    log.lines.clear();

    editor.LoadfromTAVRINClick();

    EXPECT_TRUE(editor.locked());
    const Writes writes = sent();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].substr(0, 6), "@0?PS\r");
    EXPECT_EQ(writes[0].size(), 156u);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_TRUE(session.transfer().ReadPending);
}

TEST_F(PresetEditorTest, WriteToRecorderLocksAndTheLastAnswerUnlocks) {
    open();

    editor.WritetoTAVRINClick();
    EXPECT_TRUE(editor.locked());
    EXPECT_EQ(sent(), Writes{frame("INUB")});

    for (int step = 2; step <= 25; ++step) {
        EXPECT_TRUE(editor.locked()) << "step " << step;
        session.acknowledgement(true);
    }
    const Writes writes = sent();
    ASSERT_EQ(writes.size(), 24u);
    EXPECT_EQ(writes.back(), "@0D3      \r");
    EXPECT_TRUE(editor.locked());  // until the last command is answered
    session.acknowledgement(true);
    EXPECT_FALSE(editor.locked());
}

TEST_F(PresetEditorTest, CloseAndEndPresetMenuGiveTheMainWindowBack) {
    for (const auto close : {&PresetEditor::CloseKeyClick, &PresetEditor::EndPresetMenuClick}) {
        open();
        displays.keysEnabled = false;
        link.stateForTesting().recorder.state = protocol::RecorderState::PresetTransfer;
        const int endsBefore = view.endModalCalls;

        (editor.*close)();

        EXPECT_EQ(sent(), (Writes{frame("?ST"), frame("?TMOD"), frame("?TI")}));
        EXPECT_EQ(view.endModalCalls, endsBefore + 1);
        EXPECT_FALSE(session.transfer().EditorOpen);
        EXPECT_TRUE(displays.keysEnabled);
        EXPECT_EQ(link.state().recorder.state, protocol::RecorderState::Stop);
    }
}

TEST_F(PresetEditorTest, FirstReadShowsTheEditorThroughItsView) {
    session.PresetGate();  // refused: no status yet
    link.stateForTesting().recorder.state = protocol::RecorderState::Stop;
    link.stateForTesting().linkUp = true;
    session.PresetGate();
    sent();

    reply("@0INBA");
    reply("@0D3ABCDEF");

    EXPECT_EQ(view.showModalCalls, 1);
    EXPECT_TRUE(session.transfer().EditorOpen);
    EXPECT_EQ(view.checked(S::InputSelect), 1);
    EXPECT_EQ(view.idText(S::ID3), "ABCDEF");
}

TEST_F(PresetEditorTest, TypedIdIsLostWhenATransferStarts) {
    store.setId(S::ID1, "STORED");
    open();
    view.typeId(S::ID1, "TYPED1");

    editor.DefaultKeyClick();
    EXPECT_EQ(view.idText(S::ID1), "");
    editor.RefreshControls();
    EXPECT_EQ(view.idText(S::ID1), "STORED");
}

// ---- BWF IDs ---------------------------------------------------------------------------------

struct IdRow {
    const char* name;
    S id;
    const char* stored;  // set before the editor opens; nullptr: the reset value, six spaces
    const char* typed;
    const char* sends;   // the whole frame without its CR; empty: nothing sent
    bool box;            // the invalid ID box is shown
};

void PrintTo(const IdRow& row, std::ostream* os) { *os << row.name; }

class IdEntry : public PresetEditorTest, public ::testing::WithParamInterface<IdRow> {};

TEST_P(IdEntry, SetStoresAndSendsOnlyAValidChangedId) {
    const IdRow& row = GetParam();
    if (row.stored) store.setId(row.id, row.stored);
    open();
    const std::string before(store.id(row.id));
    view.typeId(row.id, row.typed);

    editor.IDSetKeyClick(row.id);

    const std::string expected = row.sends;
    if (expected.empty()) {
        EXPECT_TRUE(sent().empty());
        EXPECT_EQ(store.id(row.id), before);
    } else {
        const Writes writes = sent();
        EXPECT_EQ(writes, Writes{expected + "\r"});
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_EQ(writes[0].size(), 11u);
        EXPECT_EQ(store.id(row.id), std::string_view(row.typed).substr(0, 6));
        EXPECT_TRUE(store.isKnown(row.id));
    }
    EXPECT_EQ(view.invalidIdBoxes, row.box ? 1 : 0);
    EXPECT_EQ(view.idText(row.id), row.typed);  // never padded or changed
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IdEntry,
    ::testing::Values(IdRow{"ValidId1", S::ID1, nullptr, "ABC123", "@0D1ABC123", false},
                      IdRow{"ValidId2", S::ID2, "OLD000", "NEW111", "@0D2NEW111", false},
                      IdRow{"ValidId3", S::ID3, nullptr, "Z9Z9Z9", "@0D3Z9Z9Z9", false},
                      IdRow{"LowerCase", S::ID1, nullptr, "abc123", "", true},
                      IdRow{"OneLowerCaseLetter", S::ID2, "ABC123", "ABC12a", "", true},
                      IdRow{"Space", S::ID1, nullptr, "AB 123", "", true},
                      IdRow{"Hyphen", S::ID3, nullptr, "AB-123", "", true},
                      IdRow{"FiveCharacters", S::ID1, nullptr, "ABCDE", "", true},
                      IdRow{"FiveCharactersOfTheStoredId", S::ID1, "ABCDEF", "ABCDE", "", true},
                      IdRow{"Empty", S::ID2, nullptr, "", "", true},
                      IdRow{"EqualToStored", S::ID1, "ABC123", "ABC123", "", false},
                      IdRow{"SixSpacesEqualToTheResetValue", S::ID3, nullptr, "      ", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Without a window ------------------------------------------------------------------------

TEST_F(PresetEditorTest, WithoutAViewHandlersStillStoreAndSend) {
    editor.setView(nullptr);
    hold({{S::Algorithm, 0}, {S::StereoMono, 0}, {S::BitRate, 11}});

    editor.FormShow();
    editor.MP3RadioClick();
    editor.IDSetKeyClick(S::ID1);  // an empty field: refused quietly

    EXPECT_EQ(store.record().BitRate, 10);
    EXPECT_EQ(sent(), Writes{frame("AFM3")});
    EXPECT_FALSE(editor.locked());
}

}  // namespace
}  // namespace tavrin::preset
