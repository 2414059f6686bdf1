// The editor window itself: frame, the ways it must not close, focus order, accessibility.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCloseEvent>
#include <QMenu>
#include <QSet>

#include <gtest/gtest.h>

#include "support/gui/editor_rig.h"

namespace tavrin::test {
namespace {

using protocol::PresetSetting;

TEST(PresetMenuWindow, FrameHasCaptionPlaceAndNoTitleBarButtons) {
    EditorRig rig;
    rig.window.show();
    EXPECT_EQ(rig.window.windowTitle(), "Preset Menu");
    EXPECT_EQ(rig.window.frameGeometry(), QRect(323, 289, 650, 381));
    const Qt::WindowFlags flags = rig.window.windowFlags();
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_FALSE(flags & (Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowContextHelpButtonHint));
}

TEST(PresetMenuWindow, ControlsKeepTheirPlacesWhenTheFrameIsResized) {
    EditorRig rig;
    rig.window.show();
    QPushButton* close = rig.find<QPushButton>("CloseKey");
    const QPoint before = close->mapTo(&rig.window, QPoint());
    rig.window.resize(900, 600);
    EXPECT_EQ(close->mapTo(&rig.window, QPoint()), before);
    EXPECT_EQ(close->geometry(), QRect(536, 288, 81, 33));
}

TEST(PresetMenuWindow, EscapeDoesNotClose) {
    EditorRig rig;
    rig.window.show();
    QTest::keyClick(&rig.window, Qt::Key_Escape);
    EXPECT_TRUE(rig.window.isVisible());
    EXPECT_TRUE(rig.session.transfer().EditorOpen);
}

TEST(PresetMenuWindow, CloseEventFromTheWindowManagerIsIgnored) {
    EditorRig rig;
    rig.window.show();
    EXPECT_FALSE(rig.window.close());
    QCloseEvent event;
    QApplication::sendEvent(&rig.window, &event);
    EXPECT_FALSE(event.isAccepted());
    EXPECT_TRUE(rig.window.isVisible());
    EXPECT_TRUE(rig.port.takeWritten().empty());
}

TEST(PresetMenuWindow, EnterInAListClicksNoButton) {
    EditorRig rig;
    rig.window.show();
    rig.find<QLineEdit>("ID1Edit")->setText("ABC123");
    QComboBox* presetNo = rig.find<QComboBox>("PresetNoCombo");
    presetNo->setFocus();
    QTest::keyClick(presetNo, Qt::Key_Return);
    EXPECT_TRUE(rig.port.takeWritten().empty());
    EXPECT_TRUE(rig.window.isVisible());
}

TEST(PresetMenuWindow, TabWalksTheControlsInTheirOrder) {
    EditorRig rig;
    const QStringList expected = {
        "PresetNoCombo", "DigitalRadio", "BalanceRadio", "UnbalanceRadio", "StereoRadio", "MonoRadio",
        "PCMRadio", "MP2Radio", "MP3Radio", "SampleRateCombo", "BitRateCombo", "FmtCombo",
        "PlayModeNormalRadio", "TrackRepeatRadio", "AllRepeatRadio", "SinglePlayRadio", "PreRecOnRadio",
        "PreRecOffRadio", "AutoMarkOnRadio", "AutoMarkOffRadio", "MTrackOnRadio", "MTrackOffRadio",
        "AutoTrackOnRadio", "AutoTrackOffRadio", "AutoTrackTimeCombo", "SeamlsPlayOnRadio",
        "SeamlsPlayOffRadio",
        "SilentSkipOnRadio", "SilentSkipOffRadio", "SSkipTimeCombo", "SSkipLevelCombo", "AutoCueOnRadio",
        "AutoCueOffRadio", "AutoCueTimeCombo", "AutoCueLevelCombo", "RemoteModeCombo", "EDLOnRadio",
        "EDLOffRadio", "ID1Edit", "ID1SetKey", "ID2Edit", "ID2SetKey", "ID3Edit", "ID3SetKey", "DMYRadio",
        "MDYRadio", "DefaultKey", "CloseKey"};
    QStringList walked;
    QWidget* first = rig.find<QWidget>("PresetNoCombo");
    QWidget* w = first;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->window() == &rig.window) walked << w->objectName();
        w = w->nextInFocusChain();
    } while (w != first && walked.size() <= expected.size());
    EXPECT_EQ(walked, expected);
}

TEST(PresetMenuWindow, PresetNumberHasTheFocusWhenShown) {
    EditorRig rig;
    rig.window.show();
    QApplication::setActiveWindow(&rig.window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window));
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "PresetNoCombo");
}

TEST(PresetMenuWindow, ListsTakeNoTypedText) {
    EditorRig rig;
    for (QComboBox* combo : rig.window.findChildren<QComboBox*>())
        EXPECT_FALSE(combo->isEditable()) << combo->objectName().toStdString();
}

TEST(PresetMenuWindow, ListsAndIdFieldsAreNamedByTheirLabels) {
    EditorRig rig;
    const std::pair<const char*, const char*> named[] = {
        {"PresetNoCombo", "Preset No."}, {"SampleRateCombo", "Sample Rate"}, {"BitRateCombo", "Bit Rate"},
        {"FmtCombo", "File Format"}, {"RemoteModeCombo", "Remote Mode"},
        {"AutoTrackTimeCombo", "Auto Track Time"},
        {"SSkipTimeCombo", "Silent Skip Time"}, {"SSkipLevelCombo", "Silent Skip Level"},
        {"AutoCueTimeCombo", "Auto Cue Time"}, {"AutoCueLevelCombo", "Auto Cue Level"},
        {"ID1Edit", "ID1"}, {"ID2Edit", "ID2"}, {"ID3Edit", "ID3"}};
    for (const auto& [name, label] : named) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(rig.find<QWidget>(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromLatin1(label)) << name;
    }
}

TEST(PresetMenuWindow, EveryRadioButtonHasItsOwnAccessibleName) {
    EditorRig rig;
    QSet<QString> names;
    const QList<QRadioButton*> radios = rig.window.findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 30);
    for (QRadioButton* radio : radios)
        names.insert(QAccessible::queryAccessibleInterface(radio)->text(QAccessible::Name));
    EXPECT_EQ(names.size(), 30);
    EXPECT_TRUE(names.contains("Pre Record On"));
    EXPECT_TRUE(names.contains("EDL Play Off"));
    EXPECT_TRUE(names.contains("Digital"));
}

TEST(PresetMenuWindow, SetButtonWorksThroughItsAccessiblePressAction) {
    EditorRig rig;
    rig.window.show();
    rig.port.takeWritten();
    rig.find<QLineEdit>("ID2Edit")->setText("ABC123");
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(rig.find<QPushButton>("ID2SetKey"));
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(a->text(QAccessible::Name).isEmpty());
    ASSERT_NE(a->actionInterface(), nullptr);
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    std::string sent;  // the press animates the click, which lands a moment later
    EXPECT_TRUE(QTest::qWaitFor([&] { return !(sent += rig.port.takeWritten()).empty(); }, 2000));
    EXPECT_EQ(sent, "@0D2ABC123\r");
}

TEST(PresetMenuWindow, MenusHoldTheirItemsInOrder) {
    EditorRig rig;
    auto captions = [&](const char* menu) {
        QStringList texts;
        for (QAction* a : rig.find<QMenu>(menu)->actions()) texts << (a->isSeparator() ? "-" : a->text());
        return texts;
    };
    EXPECT_EQ(captions("FileMenu"), QStringList({"Open", "Save", "-", "End Preset Menu"}));
    EXPECT_EQ(captions("EditMenu"), QStringList({"Read from TAVRIN", "Write to TAVRIN"}));
    EXPECT_EQ(rig.find<QMenu>("FileMenu")->title().remove('&'), "File(F)");
    EXPECT_EQ(rig.find<QMenu>("EditMenu")->title().remove('&'), "Edit(E)");
}

TEST(PresetMenuWindow, CtrlFAndCtrlEOpenTheirMenusOnlyWhileUnlocked) {
    EditorRig rig;
    rig.window.show();
    QApplication::setActiveWindow(&rig.window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window));
    QMenu* file = rig.find<QMenu>("FileMenu");
    QMenu* edit = rig.find<QMenu>("EditMenu");

    QTest::keyClick(&rig.window, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return file->isVisible(); }, 1000));
    file->hide();
    QTest::keyClick(&rig.window, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return edit->isVisible(); }, 1000));
    edit->hide();

    QTest::mouseClick(rig.find<QPushButton>("DefaultKey"), Qt::LeftButton);  // locks
    QApplication::setActiveWindow(&rig.window);
    QTest::keyClick(&rig.window, Qt::Key_F, Qt::ControlModifier);
    QTest::qWait(50);
    EXPECT_FALSE(file->isVisible());
}

TEST(PresetMenuWindow, ListsHoldTheirFirstEntriesBeforeAnyFill) {
    EditorRig rig;
    auto entries = [&](const char* name) {
        QStringList texts;
        QComboBox* combo = rig.find<QComboBox>(name);
        for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
        EXPECT_EQ(combo->currentIndex(), -1) << name;
        return texts;
    };
    EXPECT_EQ(entries("SampleRateCombo"), QStringList({"16", "22.5", "24", "32", "44.1", "48"}));
    EXPECT_TRUE(entries("BitRateCombo").isEmpty());
    EXPECT_TRUE(entries("FmtCombo").isEmpty());
}

}  // namespace
}  // namespace tavrin::test
