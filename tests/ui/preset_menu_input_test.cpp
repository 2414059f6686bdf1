// The operator's clicks and picks on the real controls, and the bytes they put on the wire.

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/gui/editor_rig.h"
#include "preset/preset_file.h"

namespace tavrin::test {
namespace {

using protocol::PresetSetting;

// Every row starts from the reset record with all settings known: Unbalanced, MDY, Stereo, MP3,
// 128 kbit/s, 48 kHz, ".mpg", Pre Record On, every other On/Off Off, Normal, first list entries.
struct ClickRow {
    const char* control;
    const char* sent;  // CR omitted; empty: the click changes nothing
};

class PresetMenuRadioClick : public testing::TestWithParam<ClickRow> {};

TEST_P(PresetMenuRadioClick, SendsTheButtonsSettingOnce) {
    EditorRig rig;
    rig.markAllKnown();
    rig.window.show();
    QRadioButton* radio = rig.find<QRadioButton>(GetParam().control);
    ASSERT_NE(radio, nullptr);
    QTest::mouseClick(radio, Qt::LeftButton);
    const std::string sent = GetParam().sent;
    EXPECT_EQ(rig.port.takeWritten(), sent.empty() ? "" : sent + "\r");
    EXPECT_TRUE(radio->isChecked());
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, PresetMenuRadioClick,
    testing::Values(ClickRow{"DigitalRadio", "@0INDI"}, ClickRow{"BalanceRadio", "@0INBA"},
                    ClickRow{"UnbalanceRadio", ""}, ClickRow{"MonoRadio", "@0CHMO"},
                    ClickRow{"StereoRadio", ""},
                    ClickRow{"PCMRadio", "@0AFPM"}, ClickRow{"MP2Radio", "@0AFM2"}, ClickRow{"MP3Radio", ""},
                    ClickRow{"TrackRepeatRadio", "@0PMAR"}, ClickRow{"AllRepeatRadio", "@0PMAL"},
                    ClickRow{"SinglePlayRadio", "@0PMSP"}, ClickRow{"PlayModeNormalRadio", ""},
                    ClickRow{"PreRecOffRadio", "@0PR01"}, ClickRow{"PreRecOnRadio", ""},
                    ClickRow{"AutoMarkOnRadio", "@0AM00"}, ClickRow{"MTrackOnRadio", "@0MT00"},
                    ClickRow{"AutoTrackOnRadio", "@0AK00"}, ClickRow{"SeamlsPlayOnRadio", "@0CP00"},
                    ClickRow{"SilentSkipOnRadio", "@0SS00"}, ClickRow{"AutoCueOnRadio", "@0AC00"},
                    ClickRow{"EDLOnRadio", "@0EP00"}, ClickRow{"EDLOffRadio", ""},
                    ClickRow{"DMYRadio", "@0DFDM"}, ClickRow{"MDYRadio", ""}),
    [](const testing::TestParamInfo<ClickRow>& info) { return std::string(info.param.control); });

struct PickRow {
    const char* list;
    int position;
    const char* sent;  // CR omitted; empty: the pick changes nothing
};

class PresetMenuListPick : public testing::TestWithParam<PickRow> {};

TEST_P(PresetMenuListPick, SendsTheListsSettingOnce) {
    EditorRig rig;
    rig.markAllKnown();
    rig.window.show();
    QComboBox* combo = rig.find<QComboBox>(GetParam().list);
    ASSERT_NE(combo, nullptr);
    pick(combo, GetParam().position);
    const std::string sent = GetParam().sent;
    EXPECT_EQ(rig.port.takeWritten(), sent.empty() ? "" : sent + "\r");
    EXPECT_EQ(combo->currentIndex(), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, PresetMenuListPick,
    testing::Values(PickRow{"AutoTrackTimeCombo", 2, "@0AT0010"}, PickRow{"SSkipTimeCombo", 4, "@0SC05"},
                    PickRow{"SSkipLevelCombo", 8, "@0SL60"}, PickRow{"AutoCueTimeCombo", 18, "@0CT95"},
                    PickRow{"AutoCueLevelCombo", 1, "@0CL25"}, PickRow{"RemoteModeCombo", 3, "@0RCMT"},
                    PickRow{"RemoteModeCombo", 0, ""}, PickRow{"SampleRateCombo", 4, "@0FS44"},
                    PickRow{"BitRateCombo", 0, "@0BR064"}, PickRow{"FmtCombo", 0, "@0FTBW"},
                    PickRow{"FmtCombo", 1, "@0FTM3"}),
    [](const testing::TestParamInfo<PickRow>& info) {
        return std::string(info.param.list) + "_" + std::to_string(info.param.position);
    });

TEST(PresetMenuInput, NewPresetNumberSelectsItAndLocks) {
    EditorRig rig;
    rig.markAllKnown();
    rig.window.show();
    pick(rig.find<QComboBox>("PresetNoCombo"), 2);
    EXPECT_EQ(rig.port.takeWritten(), "@0PS03\r");
    EXPECT_FALSE(rig.window.isCloseKeyEnabled());
}

// ----- BWF IDs

struct BadIdRow {
    const char* name;
    const char* typed;
};

class PresetMenuInvalidId : public testing::TestWithParam<BadIdRow> {};

TEST_P(PresetMenuInvalidId, ShowsTheErrorBoxAndSendsNothing) {
    EditorRig rig;
    rig.window.show();
    QLineEdit* field = rig.find<QLineEdit>("ID1Edit");
    field->clear();
    QTest::keyClicks(field, QString::fromLatin1(GetParam().typed));

    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    ModalWatcher watcher([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) return;
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(rig.find<QPushButton>("ID1SetKey"), Qt::LeftButton);

    EXPECT_EQ(text, "Include invalid charactor");
    EXPECT_EQ(title, "ERROR");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(rig.port.takeWritten().empty());
    EXPECT_EQ(field->text(), QString::fromLatin1(GetParam().typed));
    EXPECT_FALSE(rig.store.isKnown(PresetSetting::ID1));
}

INSTANTIATE_TEST_SUITE_P(Entries, PresetMenuInvalidId,
                         testing::Values(BadIdRow{"LowerCase", "abc123"}, BadIdRow{"Space", "AB 123"},
                                         BadIdRow{"FiveCharacters", "ABC12"}, BadIdRow{"Empty", ""}),
                         [](const testing::TestParamInfo<BadIdRow>& info) {
                             return std::string(info.param.name);
                         });

TEST(PresetMenuInput, IdFieldTakesAtMostSixCharacters) {
    EditorRig rig;
    rig.window.show();
    QLineEdit* field = rig.find<QLineEdit>("ID3Edit");
    QTest::keyClicks(field, "ABC1234");
    EXPECT_EQ(field->text(), "ABC123");
    QTest::mouseClick(rig.find<QPushButton>("ID3SetKey"), Qt::LeftButton);
    EXPECT_EQ(rig.port.takeWritten(), "@0D3ABC123\r");
}

struct SameIdRow {
    const char* name;
    const char* stored;  // nullptr: the record's reset value, six spaces, never received
    const char* typed;
};

class PresetMenuSameId : public testing::TestWithParam<SameIdRow> {};

TEST_P(PresetMenuSameId, DoesNothing) {
    EditorRig rig;
    if (GetParam().stored) {
        ASSERT_TRUE(rig.store.setId(PresetSetting::ID2, GetParam().stored));
    }
    rig.window.show();
    ModalWatcher watcher([](QWidget* modal) { modal->close(); });
    QLineEdit* field = rig.find<QLineEdit>("ID2Edit");
    field->setText(QString::fromLatin1(GetParam().typed));
    QTest::mouseClick(rig.find<QPushButton>("ID2SetKey"), Qt::LeftButton);
    QTest::qWait(30);
    EXPECT_FALSE(watcher.seen());
    EXPECT_TRUE(rig.port.takeWritten().empty());
}

INSTANTIATE_TEST_SUITE_P(Entries, PresetMenuSameId,
                         testing::Values(SameIdRow{"Stored", "ABC123", "ABC123"},
                                         SameIdRow{"SixSpacesOfTheResetRecord", nullptr, "      "}),
                         [](const testing::TestParamInfo<SameIdRow>& info) {
                             return std::string(info.param.name);
                         });

// ----- Preset text file

TEST(PresetMenuInput, RefreshAfterOpeningAFileSendsNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("preset.txt");
    {
        preset::PresetStore saved;
        saved.reset();
        saved.set(PresetSetting::PlayMode, 3);
        saved.set(PresetSetting::RemoteMode, 2);
        ASSERT_TRUE(saved.setId(PresetSetting::ID1, "FILE01"));
        ASSERT_TRUE(preset::writePresetFile(path.toStdString(), preset::presetFileText(saved)).ok);
    }
    EditorRig rig;
    rig.window.show();

    QString title;
    ModalWatcher watcher([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) return;
        title = dialog->windowTitle();
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    rig.action("Open1")->trigger();

    EXPECT_EQ(title, "Open TAVRIN preste file");
    EXPECT_TRUE(rig.find<QRadioButton>("SinglePlayRadio")->isChecked());
    EXPECT_EQ(rig.find<QComboBox>("RemoteModeCombo")->currentText(), "EDL Mark");
    EXPECT_EQ(rig.find<QLineEdit>("ID1Edit")->text(), "FILE01");
    EXPECT_TRUE(rig.port.takeWritten().empty());
}

TEST(PresetMenuInput, SaveDialogAsksBeforeReplacingAndWritesThePresetThere) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EditorRig rig;
    rig.markAllKnown();
    rig.window.show();

    QFileDialog::Options options;
    QString suffix;
    ModalWatcher watcher([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) return;
        options = dialog->options();
        suffix = dialog->defaultSuffix();
        dialog->selectFile(dir.filePath("saved"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    rig.action("SaveasText1")->trigger();

    EXPECT_FALSE(options.testFlag(QFileDialog::DontConfirmOverwrite));
    EXPECT_FALSE(options.testFlag(QFileDialog::ReadOnly));
    EXPECT_EQ(suffix, "txt");
    EXPECT_TRUE(QFile::exists(dir.filePath("saved.txt")));
    EXPECT_TRUE(rig.port.takeWritten().empty());
}

}  // namespace
}  // namespace tavrin::test
