#pragma once

// The whole program in one test process: the real serial port on the recorder simulator's
// pseudo-terminal (COM2), the main window, the preset editor and the About box put together as
// the program's entry point does, and the simulator stepped by a timer of the same event loop.
// Nothing runs on another thread; every wait has a deadline.

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

#include "editor/editor_rig.h"
#include "editor/preset_menu.h"
#include "link/command_frame.h"
#include "link/key_commands.h"
#include "link/serial_port.h"
#include "main/rs232c_window.h"
#include "main/version_form.h"
#include "preset/list_rules.h"
#include "preset/setting_codes.h"
#include "sim/recorder_sim.h"
#include "support/fakes.h"
#include "support/gui/main_window_probe.h"
#include "support/pty.h"

namespace tavrin::test {

using namespace std::chrono_literals;
using preset::PresetSetting;

inline sim::SimOptions tracedTo(std::ostream& trace, sim::SimOptions options) {
    options.trace = &trace;
    return options;
}

// The program as its entry point builds it, with the simulator at the far end of COM2. The log's
// time stamps come from a fixed clock, so that whole log lines can be compared.
struct LiveProgram {
    static constexpr int kCom = 2;

    explicit LiveProgram(sim::SimOptions options = {})
        : sim(tracedTo(trace, std::move(options))),
          com2(kCom, sim.devicePath()),
          mainWindow(port, clock),
          presetMenu(mainWindow.presetEditor(), &mainWindow),
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

    link::LinkState& linkState() { return mainWindow.link().state(); }
    const preset::PresetTransfer& transfer() { return mainWindow.session().transfer(); }
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
        return sim.queuedBytes() == 0 && port.bytesWaiting() == 0 && s.pendingLength == 0 &&
               s.timeCountdown != link::kTimeInterval && s.displayModeCountdown != link::kDisplayModeInterval;
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
        const preset::PresetTransfer& t = transfer();
        const bool transferPending = t.ReadPending || t.SelectPending || t.DefaultPending || t.WriteRunning;
        return presetMenu.isVisible() && presetMenu.isCloseKeyEnabled() && !transferPending && lineQuiet();
    }

    std::ostringstream trace;  // the simulator writes every byte both ways here
    sim::RecorderSim sim;
    ScopedComPort com2;
    link::SerialPort port;
    FixedClock clock;
    TRS232C mainWindow;
    TPresetMenu presetMenu;
    TVersionForm versionForm;
    QTimer simTimer;
};

// A log line of a key command as the main window writes it, stamped by the fixed clock.
inline QString keyLine(link::Key key) {
    const link::KeyCommand& command = link::keyCommand(key);
    return commandLine("->@0" + std::string(command.body) + " (" + std::string(command.name) + ")");
}
inline QString statusRequestLine() {
    const std::string request(link::kStatusRequest), name(link::kStatusRequestName);
    return commandLine("->@0" + request + " (" + name + ")");
}

// ---------------------------------------------------------------------------------------------
// A preset as values, wherever it is held: in the recorder, in the program's record, or as the
// test wants it.

struct PresetValues {
    std::array<int, preset::kSettingCount> values{};  // Preset No. and settings 1 to 22; IDs unused
    std::array<std::string, 3> ids;

    static PresetValues inRecorder(const sim::PresetBank& bank, int number) {
        PresetValues p;
        p.values = bank.preset(number).values;
        p.values[0] = number;
        p.ids = bank.preset(number).ids;
        return p;
    }
    static PresetValues selectedInRecorder(const sim::PresetBank& bank) {
        return inRecorder(bank, bank.selected());
    }
    static PresetValues factory(int number) {
        sim::PresetBank fresh;
        return inRecorder(fresh, number);
    }
    static PresetValues inRecord(const preset::PresetStore& store) {
        PresetValues p;
        for (int i = 0; i < preset::kSettingCount; ++i) {
            const PresetSetting s = preset::settingAt(i);
            if (preset::isId(s))
                p.id(s) = std::string(store.id(s));
            else
                p.values[static_cast<std::size_t>(i)] = store.get(s);
        }
        return p;
    }

    int value(PresetSetting s) const { return values[static_cast<std::size_t>(preset::index(s))]; }
    PresetValues& set(PresetSetting s, int v) {
        values[static_cast<std::size_t>(preset::index(s))] = v;
        return *this;
    }
    std::string& id(PresetSetting s) {
        return ids[static_cast<std::size_t>(preset::index(s) - preset::index(PresetSetting::ID1))];
    }
    const std::string& id(PresetSetting s) const { return const_cast<PresetValues*>(this)->id(s); }

    // "Input Select=Unbalanced", one entry per setting: readable when two presets differ.
    std::vector<std::string> described() const {
        std::vector<std::string> lines;
        for (const preset::SettingInfo& setting : preset::kSettings) {
            const PresetSetting s = setting.setting;
            lines.push_back(std::string(setting.name) + "=" +
                            (preset::isId(s) ? id(s) : std::to_string(value(s))));
        }
        return lines;
    }
    bool operator==(const PresetValues&) const = default;
};

inline void PrintTo(const PresetValues& p, std::ostream* out) {
    for (const std::string& line : p.described()) *out << line << "; ";
}

// The editor's control for each setting, in setting order: a frame of radio buttons, a list or
// an ID field.
inline constexpr std::array<const char*, preset::kSettingCount> kEditorControls = {
    "PresetNoCombo", "InputSelectGroup", "DateDispGroup", "StereoMonoGroup", "AlgoGroup",
    "BitRateCombo", "SampleRateCombo", "FmtCombo", "PreRecGroup", "AutoMarkGroup",
    "MTrackGroup", "AutoTrackGroup", "AutoTrackTimeCombo", "SeamlsPlayGroup", "SilentSkipGroup",
    "SSkipTimeCombo", "SSkipLevelCombo", "AutoCueGroup", "AutoCueTimeCombo", "AutoCueLevelCombo",
    "PlayModeGroup", "EDLPlayGroup", "RemoteModeCombo", "ID1Edit", "ID2Edit",
    "ID3Edit",
};

// What the editor shows for every setting: the checked radio button's caption, the selected
// entry, the ID field's text; empty where nothing is shown.
inline std::vector<std::string> shownInEditor(const TPresetMenu& editor) {
    std::vector<std::string> shown;
    for (int i = 0; i < preset::kSettingCount; ++i) {
        const char* name = kEditorControls[static_cast<std::size_t>(i)];
        const QWidget* control = editor.findChild<QWidget*>(QString::fromLatin1(name));
        QString text;
        if (const auto* list = qobject_cast<const QComboBox*>(control)) {
            if (list->currentIndex() >= 0) text = list->currentText();
        } else if (const auto* field = qobject_cast<const QLineEdit*>(control)) {
            text = field->text();
        } else if (control) {
            for (const QRadioButton* radio : control->findChildren<QRadioButton*>())
                if (radio->isChecked()) text = radio->text();
        }
        shown.push_back(std::string(preset::info(preset::settingAt(i)).name) + "=" + text.toStdString());
    }
    return shown;
}

inline std::string entryOf(const preset::OfferedList& list, int code) {
    const int position = list.positionOf(code);
    return position < 0 ? std::string() : std::string(list.entries[static_cast<std::size_t>(position)]);
}

// What the editor must show for a preset: the caption of each value, and for the three dependent
// lists the entry they offer for it (nothing with digital input or PCM).
inline std::vector<std::string> shownFor(const PresetValues& p) {
    using S = PresetSetting;
    std::vector<std::string> shown;
    for (const preset::SettingInfo& setting : preset::kSettings) {
        const S s = setting.setting;
        const int v = p.value(s);
        std::string text;
        if (preset::isId(s)) {
            text = p.id(s);
        } else if (s == S::SampleRate) {
            text = entryOf(preset::sampleRateList(p.value(S::InputSelect), p.value(S::Algorithm)), v);
        } else if (s == S::BitRate) {
            const auto list = preset::offeredBitRateList(p.value(S::Algorithm), p.value(S::StereoMono),
                                                         p.value(S::SampleRate));
            text = entryOf(preset::bitRateList(list), v);
        } else if (s == S::FileFormat) {
            text = preset::fileFormatList(p.value(S::Algorithm)).entries[preset::fileFormatPosition(v)];
        } else if (const preset::Code* code = preset::codeForValue(s, v)) {
            text = code->label;
        }
        shown.push_back(std::string(setting.name) + "=" + text);
    }
    return shown;
}

// ---------------------------------------------------------------------------------------------

// The operator at work while windows come and go modally: steps done one after the other, each
// as soon as its condition holds. It runs from a timer, so it goes on inside the preset editor's
// modal loop, which a receive tick opened. A step that does not come in time fails the test;
// then every modal window is ended, so that nothing is left hanging.
class Operator {
public:
    using Condition = std::function<bool()>;
    using Action = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    explicit Operator(std::chrono::milliseconds wholeRun = 30s) : wholeRun_(wholeRun) {}

    Operator& waitFor(std::string what, Condition ready, std::chrono::milliseconds within = 10s) {
        steps_.push_back({std::move(what), std::move(ready), {}, within});
        return *this;
    }
    Operator& then(std::string what, Action act) {
        steps_.push_back({std::move(what), {}, std::move(act), 0ms});
        return *this;
    }
    // An action that opens a modal window and waits in it: done from the event loop, so that
    // the next steps go on meanwhile.
    Operator& thenOpen(std::string what, Action opensModal) {
        return then(std::move(what), [act = std::move(opensModal)] { QTimer::singleShot(0, act); });
    }

    // Returns once every step is done and no modal window is left, or after a failure.
    bool run() {
        QEventLoop loop;
        QTimer stepper;
        QTimer watchdog;
        QTimer rescuer;
        const auto fail = [&](const std::string& why) {
            if (failed_) return;
            failed_ = true;
            ADD_FAILURE() << why;
            stepper.stop();
            rescuer.start(5);
        };
        QObject::connect(&rescuer, &QTimer::timeout, [&] {
            // The innermost modal window first; each one's loop returns once this slot has.
            if (QWidget* modal = QApplication::activeModalWidget()) {
                if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(QDialog::Rejected);
                else modal->close();
                return;
            }
            rescuer.stop();
            loop.quit();
        });
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            fail("the operator's run took longer than " + std::to_string(wholeRun_.count()) +
                 " ms, at step: " + at_);
        });
        auto stepDeadline = Clock::now() + (steps_.empty() ? 0ms : steps_.front().within);
        QObject::connect(&stepper, &QTimer::timeout, [&] {
            while (next_ < steps_.size()) {
                Step& step = steps_[next_];
                at_ = step.what;
                if (step.ready && !step.ready()) {
                    if (Clock::now() > stepDeadline) fail("gave up waiting for: " + step.what);
                    return;
                }
                // Counted before acting: an action may open a modal window whose loop runs this
                // timer's ticks only after the action has returned.
                ++next_;
                if (next_ < steps_.size()) stepDeadline = Clock::now() + steps_[next_].within;
                if (step.act) step.act();
                if (failed_) return;
            }
            stepper.stop();
            at_ = "the end";
            if (QApplication::activeModalWidget()) {
                fail("a modal window is still open after the last step");
                return;
            }
            loop.quit();
        });
        watchdog.setSingleShot(true);
        watchdog.start(static_cast<int>(wholeRun_.count()));
        stepper.start(5);
        loop.exec();
        return !failed_ && next_ == steps_.size();
    }

private:
    struct Step {
        std::string what;
        Condition ready;  // empty: at once
        Action act;       // empty: a wait only
        std::chrono::milliseconds within;
    };
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    std::string at_;  // the step being waited for or done
    bool failed_ = false;
    std::chrono::milliseconds wholeRun_;
};

}  // namespace tavrin::test
