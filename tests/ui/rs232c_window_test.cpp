// The real main window on a fake port: what each control sends and logs, the key controls as a
// set, the port selector, the log, the About box and what assistive tools see.

#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "ui/rs232c_window.h"
#include "ui/version_form.h"
#include "support/fakes.h"
#include "support/gui/main_window_probe.h"

namespace tavrin::test {
namespace {

using Writes = std::vector<std::string>;

constexpr char kRefusal[] = "invalid(recieved status wasn't STOP)";
constexpr char kStatusRequestText[] = "->@0?ST (Status Request)";
constexpr int kKeyControlCount = 34;
const char* const kHeadings[] = {"File1", "Mode1", "Help1"};

class MainWindowTest : public testing::Test {
protected:
    MainWindowTest() {
        stopTicks(window);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    template <class T>
    T* child(const char* name) {
        T* found = window.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QPushButton* button(const char* name) { return child<QPushButton>(name); }
    QAction* action(const char* name) { return child<QAction>(name); }
    QComboBox* portCombo() { return child<QComboBox>("PortCombo"); }

    // The recorder reports Stop, as it does after the start-up status request.
    void reportStop() {
        port.receive("@0STST\r");
        tick(window);
    }

    FakePort port;
    FixedClock clock;
    app::Core core{port, clock};
    TRS232C window{core};
};

TEST_F(MainWindowTest, StartUpOpensComTwoAndRequestsStatus) {
    EXPECT_EQ(port.openedName, platform::comPortName(2));
    EXPECT_EQ(port.purges, 1);
    EXPECT_EQ(port.closes, 1);
    EXPECT_EQ(port.takeWrites(), Writes{"@0?ST\r"});
    EXPECT_EQ(logLines(window), QStringList{commandLine(kStatusRequestText)});
    EXPECT_EQ(portCombo()->currentText(), "2");
    EXPECT_EQ(portCombo()->currentIndex(), 1);
}

TEST(MainWindowStartUpTest, MissingComTwoLogsOpenErrorAndSendsNothing) {
    FakePort port;
    port.openReturns = {platform::OpenError::NoSuchPort, 2, "No such file or directory"};
    FixedClock clock;
    app::Core core(port, clock);
    TRS232C window(core);
    const QString hint = QString::fromStdString("(COM2 is " + platform::comPortName(2) + ": No such file or directory)");
    EXPECT_EQ(logLines(window), (QStringList{hint, "com port number error"}));
    EXPECT_TRUE(port.takeWrites().empty());
    EXPECT_EQ(window.findChild<QComboBox*>("PortCombo")->currentText(), "2");
}

TEST_F(MainWindowTest, FixedClientAreaWithoutMinimiseOrMaximise) {
    EXPECT_EQ(window.centralWidget()->size(), QSize(805, 297));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.windowTitle(), "TAVRIN Controller");
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
}

// --- Keys ------------------------------------------------------------------------------------

struct KeyRow {
    const char* button;
    const char* frame;
    const char* logText;
};

const KeyRow kKeyRows[] = {
    {"PlayKey", "@02353\r", "->@02353 (Play)"},
    {"StopKey", "@02354\r", "->@02354 (Stop)"},
    {"PauseKey", "@02348\r", "->@02348 (Pause)"},
    {"RecKey1", "@02355\r", "->@02355 (REC)"},
    {"RecUndoKey", "@023RU\r", "->@023RU (REC undo)"},
    {"MresetKey", "@023MR\r", "->@023MR (Margin Rest)"},
    {"MTrackKey", "@023MT\r", "->@023MT (Manual Track)"},
    {"RecVolUpKey", "@023V+\r", "->@023V+ (RecVolume +)"},
    {"RecVolDownKey", "@023V-\r", "->@023V- (RecVolume -)"},
    {"RecVolLeftKey", "@023BL\r", "->@023BL (RecVolume L)"},
    {"RecVolRightKey", "@023BR\r", "->@023BR (RecVolume R)"},
    {"JumpBack", "@02333\r", "->@02333 (Track Jump -)"},
    {"JumpFF", "@02332\r", "->@02332 (Track Jump +)"},
    {"RewKey", "@02350\r", "->@02350 (RWD On)"},
    {"FFKey", "@02352\r", "->@02352 (FF On)"},
    {"ABRepeatKey", "@02359\r", "->@02359 (A-B Repeat)"},
    {"MarkKey", "@023121\r", "->@023121 (Mark)"},
    {"MarkMinus", "@023M-\r", "->@023M- (Mark -)"},
    {"MarkPlus", "@023M+\r", "->@023M+ (Mark +)"},
    {"DispKey", "@02311\r", "->@02311 (Display)"},
    {"KeyOne", "@02301\r", "->@02301 (1)"},
    {"KeyTwo", "@02302\r", "->@02302 (2)"},
    {"KeyThree", "@02303\r", "->@02303 (3)"},
    {"KeyFour", "@02304\r", "->@02304 (4)"},
    {"KeyFive", "@02305\r", "->@02305 (5)"},
    {"KeySix", "@02306\r", "->@02306 (6)"},
    {"KeySeven", "@02307\r", "->@02307 (7)"},
    {"KeyEight", "@02308\r", "->@02308 (8)"},
    {"KeyNine", "@02309\r", "->@02309 (9)"},
    {"KeyZero", "@02300\r", "->@02300 (0)"},
    {"PowerOnKey", "@023PW\r", "->@023PW (Power On)"},
    {"StandbyKey", "@02312\r", "->@02312 (Standby)"},
    {"DispTime", "@0?TI\r", "->@0?TI (Time Request)"},
};

class KeyButtonTest : public MainWindowTest, public testing::WithParamInterface<KeyRow> {};

TEST_P(KeyButtonTest, ClickWritesItsFrameAndLogsItsLine) {
    port.takeWrites();
    QTest::mouseClick(button(GetParam().button), Qt::LeftButton);
    EXPECT_EQ(port.takeWrites(), Writes{GetParam().frame});
    EXPECT_EQ(logLines(window),
              (QStringList{commandLine(GetParam().logText), commandLine(kStatusRequestText)}));
}

INSTANTIATE_TEST_SUITE_P(AllKeys, KeyButtonTest, testing::ValuesIn(kKeyRows),
                         [](const testing::TestParamInfo<KeyRow>& row) {
                             return std::string(row.param.button);
                         });

TEST_F(MainWindowTest, AccessiblePressActionSendsTheKey) {
    port.takeWrites();
    QAccessibleInterface* markKey = QAccessible::queryAccessibleInterface(button("MarkKey"));
    ASSERT_NE(markKey, nullptr);
    ASSERT_NE(markKey->actionInterface(), nullptr);
    markKey->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    // The press is animated: the click comes when the button springs back.
    ASSERT_TRUE(QTest::qWaitFor([&] { return logLines(window).size() == 2; }, 3000));
    EXPECT_EQ(port.takeWrites(), Writes{"@023121\r"});
    EXPECT_EQ(topLogLine(window), commandLine("->@023121 (Mark)"));
}

TEST_F(MainWindowTest, KeyOnAPortThatFailedLogsAboveConnectionError) {
    port.writeLimit = 0;
    QTest::mouseClick(button("PlayKey"), Qt::LeftButton);
    const QStringList lines = logLines(window);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], commandLine("->@02353 (Play)"));
    EXPECT_EQ(lines[1], "connection error");
}

TEST_F(MainWindowTest, EnterOnAFocusedKeyPressesThatKey) {
    ASSERT_TRUE(showActive(window));
    port.takeWrites();
    QPushButton* play = button("PlayKey");
    play->setFocus();
    QTest::keyClick(play, Qt::Key_Return);
    EXPECT_EQ(port.takeWrites(), Writes{"@02353\r"});
    EXPECT_EQ(topLogLine(window), commandLine("->@02353 (Play)"));
}

// --- The preset gate and the key controls ------------------------------------------------------

TEST_F(MainWindowTest, CtrlPBeforeAnyStatusRefuses) {
    ASSERT_TRUE(showActive(window));
    port.takeWrites();
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(topLogLine(window), kRefusal);
    EXPECT_TRUE(port.takeWrites().empty());
}

TEST_F(MainWindowTest, EnterOnADisplayFieldPressesPresetKey) {
    ASSERT_TRUE(showActive(window));
    auto* time = child<QLineEdit>("TimeEdit");
    time->setFocus();
    QTest::keyClick(time, Qt::Key_Return);
    EXPECT_EQ(topLogLine(window), kRefusal);
}

TEST_F(MainWindowTest, PresetKeyAfterStopStartsTheReadAndSwitchesTheKeysOff) {
    reportStop();
    port.takeWrites();
    QTest::mouseClick(button("PresetKey"), Qt::LeftButton);
    const Writes writes = port.takeWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].size(), 156u);
    EXPECT_EQ(topLogLine(window), "Read preset. Please wait...");
    for (QPushButton* key : window.findChildren<QPushButton*>())
        EXPECT_FALSE(key->isEnabled()) << key->objectName().toStdString();
    EXPECT_TRUE(portCombo()->isEnabled());
}

TEST_F(MainWindowTest, KeyControlsSwitchOffAndOnAsOneSet) {
    ASSERT_TRUE(showActive(window));
    const QList<QPushButton*> keys = window.findChildren<QPushButton*>();
    ASSERT_EQ(keys.size(), kKeyControlCount);

    window.DisableKeyControls();
    for (QPushButton* key : keys) EXPECT_FALSE(key->isEnabled()) << key->objectName().toStdString();
    for (const char* heading : kHeadings)
        EXPECT_FALSE(child<QMenu>(heading)->menuAction()->isEnabled()) << heading;
    EXPECT_TRUE(portCombo()->isEnabled());
    EXPECT_TRUE(child<QPlainTextEdit>("MessageDisp")->isEnabled());

    QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(logLines(window), QStringList{commandLine(kStatusRequestText)})
        << "shortcuts of disabled headings";

    window.EnableKeyControls();
    for (QPushButton* key : keys) EXPECT_TRUE(key->isEnabled()) << key->objectName().toStdString();
    for (const char* heading : kHeadings)
        EXPECT_TRUE(child<QMenu>(heading)->menuAction()->isEnabled()) << heading;
    QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(logLines(window).isEmpty());
}

// A QTimer does not fire again while its own timeout is being handled; the preset editor is
// shown modally from inside a tick and lives on the ticks that run nested in it.
// --- Port selector ---------------------------------------------------------------------------

// Opens the list and clicks the entry, as the operator does.
void pick(QComboBox* combo, int position) {
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    const QRect entry = list->visualRect(list->model()->index(position, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(list->viewport()->width() / 2, entry.center().y()));
}

TEST_F(MainWindowTest, ChoosingThePortInUseReopensIt) {
    port.takeWrites();
    pick(portCombo(), 1);
    EXPECT_EQ(port.openedName, platform::comPortName(2));
    EXPECT_EQ(port.purges, 2);
    EXPECT_EQ(port.closes, 2);
    EXPECT_EQ(port.takeWrites(), Writes{"@0?ST\r"});
    EXPECT_EQ(logLines(window),
              (QStringList{commandLine(kStatusRequestText), commandLine(kStatusRequestText)}));
}

TEST_F(MainWindowTest, ArrowKeyChoosesTheNextPort) {
    ASSERT_TRUE(showActive(window));
    QComboBox* combo = portCombo();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentText(), "3");
    EXPECT_EQ(port.openedName, platform::comPortName(3));
}

struct TypedPortRow {
    const char* name;
    const char* typed;
    int opened;  // the COM number opened once Enter ends the typing; 0: nothing
};

class TypedPortTest : public MainWindowTest, public testing::WithParamInterface<TypedPortRow> {};

TEST_P(TypedPortTest, OnlyTextNamingAPortOpensItAndTheSelectorShowsThePortChosen) {
    ASSERT_TRUE(showActive(window));
    const TypedPortRow& row = GetParam();
    QComboBox* combo = portCombo();
    combo->setFocus();
    combo->lineEdit()->selectAll();
    port.openedName.clear();
    QTest::keyClicks(combo->lineEdit(), row.typed);
    EXPECT_EQ(port.openedName, "") << "nothing opens while typing";
    const int closes = port.closes;
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(port.openedName, row.opened ? platform::comPortName(row.opened) : "");
    EXPECT_EQ(port.closes - closes, row.opened ? 1 : 0) << "one open for one Enter";
    EXPECT_EQ(combo->currentText(), QString::number(row.opened ? row.opened : 2));
    EXPECT_EQ(combo->count(), 8) << "typed text never becomes an item";
    EXPECT_NE(topLogLine(window), kRefusal) << "the Enter does not reach the preset gate";
}

INSTANTIATE_TEST_SUITE_P(Typed, TypedPortTest,
                         testing::Values(TypedPortRow{"Letter", "x", 0}, TypedPortRow{"PastTheList", "9", 0},
                                         TypedPortRow{"Zero", "0", 0}, TypedPortRow{"Port3", "3", 3},
                                         TypedPortRow{"SamePort", "2", 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, PortSelectorStaysUsableWhileKeysAreOff) {
    window.DisableKeyControls();
    port.takeWrites();
    pick(portCombo(), 4);
    EXPECT_EQ(port.openedName, platform::comPortName(5));
    EXPECT_EQ(port.takeWrites(), Writes{"@0?ST\r"});
}

// --- Log and displays --------------------------------------------------------------------------

TEST_F(MainWindowTest, DisplayClearEmptiesTheLogAndTheNextLineStandsAlone) {
    action("Exit1")->trigger();
    EXPECT_TRUE(logLines(window).isEmpty());
    action("Exit1")->trigger();
    EXPECT_TRUE(logLines(window).isEmpty());
    QTest::mouseClick(button("StopKey"), Qt::LeftButton);
    EXPECT_EQ(logLines(window), QStringList{commandLine("->@02354 (Stop)")});
}

// A recorder that floods replies cannot grow the program without end: the oldest lines go.
TEST_F(MainWindowTest, LogKeepsTheNewestTenThousandLines) {
    action("Exit1")->trigger();
    for (int i = 1; i <= 10'050; ++i) window.insertLine("<-@0" + std::to_string(i) + "c");
    const QStringList lines = logLines(window);
    ASSERT_EQ(lines.size(), 10'000);
    EXPECT_EQ(lines.front(), "<-@010050c");
    EXPECT_EQ(lines.back(), "<-@051c");
}

TEST_F(MainWindowTest, ControlCharacterInAReplyDoesNotSplitItsLogLine) {
    window.insertLine("<-@0ST\nPLc");
    const QStringList lines = logLines(window);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QString("<-@0ST") + QChar(0x240A) + "PLc");
}

TEST_F(MainWindowTest, RepliesFillTheDisplaysAndAssistiveToolsReadThem) {
    port.receive("@0STST\r@0TMTT\r");
    tick(window);
    port.receive("@0TR003\r");
    tick(window);
    port.receive("@0TI0012345\r");
    tick(window);

    auto* mode = child<QLabel>("DispModeLabel");
    EXPECT_EQ(mode->text(), "TRACK TIME");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(mode)->text(QAccessible::Description), "TRACK TIME");
    const auto value = [&](const char* name) {
        return QAccessible::queryAccessibleInterface(child<QWidget>(name))->text(QAccessible::Value);
    };
    EXPECT_EQ(value("TrackEdit"), "003");
    EXPECT_EQ(value("TimeEdit"), "001:23:45");
    EXPECT_EQ(value("PortCombo"), "2");
}

// --- Accessibility ---------------------------------------------------------------------------

TEST_F(MainWindowTest, EveryKeyIsNamedByItsCaptionOrItsGlyph) {
    for (QPushButton* key : window.findChildren<QPushButton*>()) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(key);
        const QString name = face->text(QAccessible::Name);
        const QString expected = key->objectName() == "RecVolUpKey"     ? QString("REC Volume Up")
                                 : key->objectName() == "RecVolDownKey" ? QString("REC Volume Down")
                                                                        : key->text();
        EXPECT_EQ(name, expected) << key->objectName().toStdString();
        EXPECT_FALSE(name.isEmpty()) << key->objectName().toStdString();
        EXPECT_TRUE(
            face->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    }
}

struct NamedControl {
    const char* objectName;
    const char* accessibleName;
};

class AccessibleNameTest : public MainWindowTest, public testing::WithParamInterface<NamedControl> {};

TEST_P(AccessibleNameTest, ControlHasItsName) {
    QWidget* control = child<QWidget>(GetParam().objectName);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name),
              GetParam().accessibleName);
}

INSTANTIATE_TEST_SUITE_P(
    FieldsAndLabels, AccessibleNameTest,
    testing::Values(NamedControl{"TrackEdit", "Track"}, NamedControl{"TimeEdit", "Time"},
                    NamedControl{"DispModeLabel", "Display mode"}, NamedControl{"MessageDisp", "Message log"},
                    NamedControl{"ComPortLabel", "Com Port"}, NamedControl{"TrackLabel", "Track"},
                    NamedControl{"RecVolLabel", "REC.Volume"}),
    [](const testing::TestParamInfo<NamedControl>& row) { return std::string(row.param.objectName); });

// A combo box's accessible name is its text on Unix desktops; its name comes from its label.
TEST_F(MainWindowTest, PortSelectorIsLabelledComPort) {
    QComboBox* combo = portCombo();
    EXPECT_EQ(combo->accessibleName(), "Com Port");
    const auto labels = QAccessible::queryAccessibleInterface(combo)->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front().first->text(QAccessible::Name), "Com Port");
}

// --- About box and Exit ----------------------------------------------------------------------

TEST_F(MainWindowTest, AboutBoxShowsTheVersionOnEveryOpeningAndOkClosesIt) {
    TVersionForm about(&window);
    window.setVersionForm(&about);
    QTimer rescue;  // a box left open fails the test instead of hanging it
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, &about, [&] { about.done(-1); });

    for (int opening = 1; opening <= 2; ++opening) {
        QString topLine;
        QWidget* focus = nullptr;
        bool escapeIgnored = false;
        bool active = false;
        QTimer::singleShot(0, &about, [&] {
            active = QTest::qWaitFor([&] { return about.isActiveWindow(); }, 5000);
            topLine =
                about.findChild<QPlainTextEdit*>("VersionMemo")->toPlainText().split(QChar('\n')).front();
            focus = QApplication::focusWidget();
            QTest::keyClick(&about, Qt::Key_Escape);
            escapeIgnored = about.isVisible();
            auto* ok = about.findChild<QPushButton*>("VersionOKbutton");
            if (opening == 1)
                QTest::mouseClick(ok, Qt::LeftButton);
            else
                QTest::keyClick(ok, Qt::Key_Return);
        });
        rescue.start(10000);
        action("About1")->trigger();
        rescue.stop();
        EXPECT_TRUE(active) << "opening " << opening;
        EXPECT_EQ(about.result(), QDialog::Accepted) << "opening " << opening;
        EXPECT_EQ(topLine, "version 1.2") << "opening " << opening;
        EXPECT_EQ(focus, about.findChild<QPushButton*>("VersionOKbutton")) << "opening " << opening;
        EXPECT_TRUE(escapeIgnored) << "opening " << opening;
        EXPECT_FALSE(about.isVisible());
    }
    EXPECT_EQ(about.windowTitle(), "TAVRIN command software");
    EXPECT_FALSE(about.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(about.size(), QSize(305, 123));
}

}  // namespace
}  // namespace tavrin::test
