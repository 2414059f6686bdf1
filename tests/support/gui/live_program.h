#pragma once

// The whole program in one test process: the program's own port on the recorder simulator's
// pseudo-terminal (COM2, or whatever name the test gives COM2), the main window, the preset
// editor and the About box put together as the program's entry point does, and the simulator
// stepped by a timer of the same event loop. Nothing runs on another thread; every wait has a
// deadline.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/core.h"
#include "platform/any_port.h"
#include "protocol/keys.h"
#include "sim/recorder_sim.h"
#include "support/fakes.h"
#include "support/gui/editor_rig.h"
#include "support/gui/main_window_probe.h"
#include "support/pty.h"
#include "ui/preset_menu.h"
#include "ui/rs232c_window.h"
#include "ui/version_form.h"

namespace tavrin::test {

using namespace std::chrono_literals;
using protocol::PresetSetting;

inline sim::SimOptions tracedTo(std::ostream& trace, sim::SimOptions options) {
    options.trace = &trace;
    return options;
}

// The program as its entry point builds it, with the simulator at the far end of COM2. The log's
// time stamps come from a fixed clock, so that whole log lines can be compared.
struct LiveProgram {
    static constexpr int kCom = 2;

    // com2Name: what COM2 names instead of the simulator's terminal, e.g. a ser2net in front of it.
    explicit LiveProgram(sim::SimOptions options = {}, const std::string& com2Name = {})
        : sim(tracedTo(trace, std::move(options))),
          com2(kCom, com2Name.empty() ? sim.devicePath() : com2Name),
          core(port, clock),
          mainWindow(core),
          presetMenu(core, &mainWindow),
          versionForm(&mainWindow) {
        mainWindow.setVersionForm(&versionForm);
        QObject::connect(&simTimer, &QTimer::timeout, [this] { sim.poll(); });
        simTimer.setTimerType(Qt::PreciseTimer);
        simTimer.start(1);
        mainWindow.show();
    }
    ~LiveProgram() { simTimer.stop(); }

    // --- the recorder

    sim::PresetBank& presets() { return sim.recorder().presets(); }
    sim::Deck& deck() { return sim.recorder().deck(); }

    // Every frame the program has sent so far, in order, without its CR.
    std::vector<std::string> sentFrames() const {
        std::string bytes;
        std::istringstream lines(trace.str());
        for (std::string line; std::getline(lines, line);) {
            const std::size_t mark = line.find(" prog> ");
            if (mark != std::string::npos) bytes += line.substr(mark + 7);
        }
        std::vector<std::string> frames;
        constexpr std::string_view kCR = "<CR>";
        for (std::size_t start = 0, end; (end = bytes.find(kCR, start)) != std::string::npos;
             start = end + kCR.size())
            frames.push_back(bytes.substr(start, end - start));
        return frames;
    }

    // --- the main window

    const link::LinkState& linkState() { return core.link().state(); }
    const preset::PresetTransfer& transfer() { return core.session().transfer(); }
    QStringList log() const { return logLines(mainWindow); }
    QString text(const char* displayName) const {
        if (const auto* field = mainWindow.findChild<QLineEdit*>(displayName)) return field->text();
        if (const auto* label = mainWindow.findChild<QLabel*>(displayName)) return label->text();
        ADD_FAILURE() << "no display " << displayName;
        return {};
    }
    QString timeShown() const { return text("TimeEdit"); }
    QString trackShown() const { return text("TrackEdit"); }
    QString displayModeShown() const { return text("DispModeLabel"); }

    void press(const char* keyName) {
        auto* key = mainWindow.findChild<QPushButton*>(keyName);
        if (!key) {
            ADD_FAILURE() << "no key " << keyName;
            return;
        }
        QTest::mouseClick(key, Qt::LeftButton);
    }

    // The recorder's ACK counts only as the first byte of what one receive tick reads: an ACK
    // that comes right behind the reply to a poll is read in the middle of a chunk, and neither
    // echoed nor acted on. Keys whose answers a test looks for are pressed while nothing is on
    // the line and no poll has gone out in the last tick. The simulator takes what the program
    // has just written first, so that unanswered requests count as traffic.
    bool lineQuiet() {
        sim.poll();
        const link::LinkState& s = linkState();
        return sim.queuedBytes() == 0 && port.bytesWaiting() == 0 && s.lines.pendingLength() == 0 &&
               s.polls.timeCountdown != link::PollSchedule::kTimeInterval &&
               s.polls.displayModeCountdown != link::PollSchedule::kDisplayModeInterval;
    }
    void pressWhenQuiet(const char* keyName) {
        if (!QTest::qWaitFor([&] { return lineQuiet(); }, 3000)) ADD_FAILURE() << "the line never went quiet";
        press(keyName);
    }

    // All 34 buttons and the three menu headings; nullopt when they are not all alike.
    std::optional<bool> keysEnabled() const {
        std::vector<bool> states;
        const auto* client = mainWindow.findChild<QWidget*>("RS232CClient");
        for (const QPushButton* key : client->findChildren<QPushButton*>())
            states.push_back(key->isEnabled());
        for (const char* heading : {"File1", "Mode1", "Help1"})
            states.push_back(mainWindow.findChild<QMenu*>(heading)->menuAction()->isEnabled());
        if (states.size() != 37) ADD_FAILURE() << states.size() << " key controls";
        const bool first = states.front();
        for (bool s : states)
            if (s != first) return std::nullopt;
        return first;
    }

    // --- the preset editor

    template <typename W = QWidget>
    W* editorControl(const char* name) const {
        W* control = presetMenu.findChild<W*>(QString::fromLatin1(name));
        if (!control) ADD_FAILURE() << "no editor control " << name;
        return control;
    }
    void click(const char* name) {
        if (auto* button = editorControl<QAbstractButton>(name)) QTest::mouseClick(button, Qt::LeftButton);
    }
    // Opens the list and clicks the entry with this text, as the operator does.
    void pickEntry(const char* listName, const char* entry) {
        QComboBox* combo = editorControl<QComboBox>(listName);
        if (!combo) return;
        const int position = combo->findText(QString::fromLatin1(entry));
        if (position < 0) {
            ADD_FAILURE() << listName << " offers no \"" << entry << "\"";
            return;
        }
        pick(combo, position);
    }
    void typeId(const char* idName, const char* text) {
        const std::string id(idName);
        auto* field = editorControl<QLineEdit>((id + "Edit").c_str());
        if (!field) return;
        field->selectAll();
        QTest::keyClicks(field, QString::fromLatin1(text));
        click((id + "SetKey").c_str());
    }
    void menuItem(const char* name) {
        if (auto* action = editorControl<QAction>(name)) {
            const auto* menu = qobject_cast<const QMenu*>(action->parent());
            if (!action->isEnabled() || !menu || !menu->menuAction()->isEnabled())
                ADD_FAILURE() << "menu item " << name << " is not reachable";
            action->trigger();
        }
    }

    bool editorShown() const { return presetMenu.isVisible(); }
    // Shown, unlocked, no transfer under way, and the line quiet: a poll sent during the read
    // may still be answered after the read's last reply, and the operator's next command must
    // not have its ACK read behind that answer.
    bool editorSettled() {
        return presetMenu.isVisible() && presetMenu.isCloseKeyEnabled() && !core.session().transferPending() &&
               lineQuiet();
    }

    std::ostringstream trace;  // the simulator writes every byte both ways here
    sim::RecorderSim sim;
    ScopedComPort com2;
    platform::AnyPort port;  // as the program's entry point has it
    FixedClock clock;
    app::Core core;
    TRS232C mainWindow;
    TPresetMenu presetMenu;
    TVersionForm versionForm;
    QTimer simTimer;
};

// A log line of a key command as the main window writes it, stamped by the fixed clock.
inline QString keyLine(protocol::Key key) {
    const protocol::KeyCommand& command = protocol::keyCommand(key);
    return commandLine("->@0" + std::string(command.body) + " (" + std::string(command.name) + ")");
}
inline QString statusRequestLine() {
    const std::string request(protocol::kStatusRequest), name(protocol::kStatusRequestName);
    return commandLine("->@0" + request + " (" + name + ")");
}

}  // namespace tavrin::test
