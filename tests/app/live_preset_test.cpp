// The preset editor against the recorder simulator, driven as the operator drives it: opened from
// the main window, presets switched and reset, settings changed one by one, re-read, written
// back, saved to a file and loaded again, closed; and a recorder that leaves a read unanswered.

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>

#include <algorithm>

#include "support/gui/live_program.h"
#include "support/gui/operator.h"
#include "support/preset_oracle.h"
#include "preset/preset_frames.h"
#include "protocol/setting_frames.h"

namespace tavrin::test {
namespace {

using S = PresetSetting;
using protocol::RecorderState;

constexpr char kReadNotice[] = "Read preset. Please wait...";

class LivePreset : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.sim.ok()) << program.sim.error();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return program.linkState().recorder.state == RecorderState::Stop; }, 5000));
    }

    PresetValues recorderPreset() { return PresetValues::selectedInRecorder(program.presets()); }
    PresetValues record() { return PresetValues::inRecord(program.core.store()); }
    std::vector<std::string> shown() { return shownInEditor(program.presetMenu); }

    // The editor shows the recorder's selected preset, which is also what the record holds.
    void expectEditorShowsRecorder() {
        EXPECT_EQ(record(), recorderPreset());
        EXPECT_EQ(shown(), shownFor(recorderPreset()));
    }

    Operator& openEditor(Operator& op) {
        return op.then("Preset Menu", [&] { program.press("PresetKey"); })
            .waitFor("the editor shown", [&] { return program.editorSettled(); });
    }
    Operator& closeEditor(Operator& op) {
        return op.then("Close", [&] { program.click("CloseKey"); })
            .waitFor("the editor gone", [&] { return !program.editorShown(); });
    }
    Operator& endPresetMenu(Operator& op) {
        return op.then("File, End Preset Menu", [&] { program.menuItem("EndPresetMenu"); })
            .waitFor("the editor gone", [&] { return !program.editorShown(); });
    }
    Operator::Condition settled() {
        return [&] { return program.editorSettled(); };
    }
    // `expected` is looked at when the step comes, not when the steps are set up.
    Operator::Condition recorderHolds(const PresetValues& expected) {
        return [&] { return recorderPreset() == expected; };
    }

    // Writes a file into the test's folder; its path.
    QString fileWith(const QString& name, const std::string& contents) {
        const QString path = folder.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) ADD_FAILURE() << "cannot write " << path.toStdString();
        file.write(QByteArray::fromStdString(contents));
        return path;
    }
    // File > Open (or Save as) with its dialog answered with `path`; the texts of the message
    // boxes that followed, each taken down.
    QStringList chooseFile(const char* menuItem, const QString& path) {
        QStringList boxes;
        ModalWatcher watcher(
            [&](QWidget* modal) {
                if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                    dialog->selectFile(path);
                    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
                } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                    boxes << box->text();
                    QMetaObject::invokeMethod(box, "accept", Qt::QueuedConnection);
                }
            },
            &program.presetMenu, ModalWatcher::Watch::Each);
        program.menuItem(menuItem);
        EXPECT_TRUE(watcher.seen()) << "no file dialog";
        return boxes;
    }

    QTemporaryDir folder;
    LiveProgram program;
};

TEST_F(LivePreset, OperatorSwitchesPresetsResetsOneAndClosesTheEditor) {
    Operator op;
    openEditor(op)
        .then("preset 1 shown", [&] {
            EXPECT_EQ(program.presets().selected(), 0);
            expectEditorShowsRecorder();
            EXPECT_EQ(program.log().front(), kReadNotice);
            EXPECT_EQ(program.keysEnabled(), false);
        })
        .then("choose preset 2", [&] { program.pickEntry("PresetNoCombo", "2"); })
        .waitFor("preset 2 read", settled())
        .then("preset 2 shown", [&] {
            EXPECT_EQ(program.presets().selected(), 1);
            EXPECT_EQ(recorderPreset(), PresetValues::factory(1));
            expectEditorShowsRecorder();
        })
        .then("change two settings", [&] {
            program.click("SinglePlayRadio");
            program.pickEntry("AutoCueLevelCombo", "60");
        })
        .waitFor("the recorder took them", [&] {
            return recorderPreset().value(S::PlayMode) == 3 && recorderPreset().value(S::AutoCueLevel) == 8;
        })
        .then("Default", [&] { program.click("DefaultKey"); })
        .waitFor("the reset preset read", settled())
        .then("the factory preset 2 shown", [&] {
            EXPECT_EQ(recorderPreset(), PresetValues::factory(1));
            expectEditorShowsRecorder();
        })
        .then("choose preset 3", [&] { program.pickEntry("PresetNoCombo", "3"); })
        .waitFor("preset 3 read", settled())
        .then("preset 3 shown: digital input and PCM leave two lists empty", [&] {
            EXPECT_EQ(program.presets().selected(), 2);
            expectEditorShowsRecorder();
            EXPECT_FALSE(program.editorControl<QComboBox>("SampleRateCombo")->isEnabled());
            EXPECT_FALSE(program.editorControl<QComboBox>("BitRateCombo")->isEnabled());
        })
        .then("back to preset 1", [&] { program.pickEntry("PresetNoCombo", "1"); })
        .waitFor("preset 1 read", settled())
        .then("preset 1 shown", [&] {
            EXPECT_EQ(program.presets().selected(), 0);
            expectEditorShowsRecorder();
        });
    closeEditor(op);
    ASSERT_TRUE(op.run());

    EXPECT_EQ(program.keysEnabled(), true);
    EXPECT_EQ(program.linkState().recorder.state, RecorderState::Stop);
    // Nothing was echoed while the editor was up; closing asks for the status with a log line.
    const QStringList log = program.log();
    const qsizetype request = log.indexOf(statusRequestLine());
    ASSERT_GE(request, 0) << log.join(" | ").toStdString();
    EXPECT_EQ(log.value(request + 1), kReadNotice);
    std::vector<std::string> frames;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        frames = program.sentFrames();
        return std::count(frames.begin(), frames.end(), "@0?ST") == 2;
    }, 5000));
    const auto afterRequest = std::find(frames.rbegin(), frames.rend(), "@0?ST").base();
    ASSERT_LE(afterRequest + 2, frames.end());
    EXPECT_EQ(std::vector<std::string>(afterRequest, afterRequest + 2),
              (std::vector<std::string>{"@0?TMOD", "@0?TI"}));

    // The main window follows the recorder again.
    program.pressWhenQuiet("PlayKey");
    const QStringList played{QStringLiteral("<-@0STPLc"), QStringLiteral("<-ACK"), keyLine(protocol::Key::Play)};
    EXPECT_TRUE(QTest::qWaitFor([&] { return program.log().mid(0, 3) == played; }, 5000))
        << program.log().join(" | ").toStdString();
    EXPECT_EQ(program.linkState().recorder.state, RecorderState::Play);
}

// What the operator does in the editor, starting from preset 1 as it leaves the factory
// (Balanced, MP2 stereo, 192 kbit/s at 48 kHz, ".mpg"). The dependent values that the editor
// carries along without sending them are each picked explicitly afterwards, so the recorder ends
// up holding exactly what the editor shows.
struct Change {
    const char* what;
    std::function<void(LiveProgram&)> act;
};

std::vector<Change> aDozenChanges() {
    const auto click = [](const char* name) { return [name](LiveProgram& p) { p.click(name); }; };
    const auto pick = [](const char* list, const char* entry) {
        return [list, entry](LiveProgram& p) { p.pickEntry(list, entry); };
    };
    const auto id = [](const char* field, const char* text) {
        return [field, text](LiveProgram& p) { p.typeId(field, text); };
    };
    return {
        {"Unbalanced", click("UnbalanceRadio")},
        {"Mono", click("MonoRadio")},
        {"MP3", click("MP3Radio")},
        {"22.5 kHz", pick("SampleRateCombo", "22.5")},
        {"40 kbit/s", pick("BitRateCombo", "40")},
        {".bwf", pick("FmtCombo", ".bwf")},
        {"Pre Record On", click("PreRecOnRadio")},
        {"Auto Mark On", click("AutoMarkOnRadio")},
        {"Manual Track Off", click("MTrackOffRadio")},
        {"Auto Track On", click("AutoTrackOnRadio")},
        {"Auto Track 2 hours", pick("AutoTrackTimeCombo", "2hour")},
        {"Seamless Play On", click("SeamlsPlayOnRadio")},
        {"Silent Skip On", click("SilentSkipOnRadio")},
        {"Silent Skip 5 s", pick("SSkipTimeCombo", "5")},
        {"Silent Skip 55 dB", pick("SSkipLevelCombo", "55")},
        {"Auto Cue On", click("AutoCueOnRadio")},
        {"Auto Cue 95 s", pick("AutoCueTimeCombo", "95")},
        {"Auto Cue 60 dB", pick("AutoCueLevelCombo", "60")},
        {"Track Repeat", click("TrackRepeatRadio")},
        {"EDL On", click("EDLOnRadio")},
        {"EDL Mark", pick("RemoteModeCombo", "EDL Mark")},
        {"DMY", click("DMYRadio")},
        {"ID1", id("ID1", "TAPE01")},
        {"ID3", id("ID3", "Z9Y8X7")},
    };
}

PresetValues afterTheDozenChanges() {
    PresetValues p = PresetValues::factory(0);
    p.set(S::InputSelect, 2).set(S::StereoMono, 1).set(S::Algorithm, 1).set(S::SampleRate, 1);
    p.set(S::BitRate, 1).set(S::FileFormat, 0).set(S::PreRec, 1).set(S::AutoMark, 1).set(S::MTrack, 0);
    p.set(S::AutoTrack, 1).set(S::AutoTrackTime, 6).set(S::SeamlsPlay, 1).set(S::SilentSkip, 1);
    p.set(S::SSkipTime, 4).set(S::SSkipLevel, 7).set(S::AutoCue, 1).set(S::AutoCueTime, 18);
    p.set(S::AutoCueLevel, 8).set(S::PlayMode, 1).set(S::EDLPlay, 1).set(S::RemoteMode, 2);
    p.set(S::DateForm, 1);
    p.id(S::ID1) = "TAPE01";
    p.id(S::ID3) = "Z9Y8X7";
    return p;
}

// The 25 setting commands of a write, as the sequence sends them: one per step, in step order.
std::vector<std::string> writeSequenceOf(const preset::PresetStore& store) {
    std::vector<std::string> frames;
    for (int step = protocol::index(S::InputSelect); step <= protocol::index(S::ID3); ++step) {
        std::string frame = preset::settingFrame(store, protocol::settingAt(step));
        frame.pop_back();  // CR
        frames.push_back(frame);
    }
    return frames;
}

// With the simulator cutting each reply line in two, the halves a little apart, the receive
// tick puts the lines together across reads.
class LivePresetOnTheLine : public LivePreset, public testing::WithParamInterface<bool> {};

TEST_P(LivePresetOnTheLine, DozenSettingsChangedInTheEditorSurviveAReReadAndAWriteBack) {
    program.sim.setSplitReplies(GetParam());
    const PresetValues expected = afterTheDozenChanges();
    std::vector<std::string> shownBefore;
    std::size_t framesBeforeWrite = 0;
    Operator op;
    openEditor(op);
    for (const Change& change : aDozenChanges())
        op.then(change.what, [&, act = change.act] { act(program); });
    op.waitFor("the recorder took every change", recorderHolds(expected))
        .then("the editor shows the changes", [&] {
            EXPECT_EQ(record(), expected);
            shownBefore = shown();
            EXPECT_EQ(shownBefore, shownFor(expected));
        })
        .then("Read from TAVRIN", [&] { program.menuItem("LoadfromTAVRIN"); })
        .waitFor("the re-read", settled())
        .then("the same values shown", [&] {
            EXPECT_EQ(shown(), shownBefore);
            EXPECT_EQ(record(), expected);
        })
        .then("the recorder's own preset reset behind the editor's back", [&] {
            program.presets().restoreFactory();
            framesBeforeWrite = program.sentFrames().size();
        })
        .then("Write to TAVRIN", [&] { program.menuItem("WritetoTAVRIN"); })
        .waitFor("the editor unlocked by the write", settled())
        .waitFor("the editor's preset in the recorder", recorderHolds(expected))
        .then("the 25 commands in order", [&] {
            const std::vector<std::string> frames = program.sentFrames();
            std::vector<std::string> written;
            const auto isQuery = [](const std::string& f) { return f.starts_with("@0?"); };
            std::remove_copy_if(frames.begin() + static_cast<std::ptrdiff_t>(framesBeforeWrite), frames.end(),
                                std::back_inserter(written), isQuery);
            EXPECT_EQ(written, writeSequenceOf(program.core.store()));
            EXPECT_EQ(shown(), shownBefore);
        });
    closeEditor(op);
    EXPECT_TRUE(op.run());
}

INSTANTIATE_TEST_SUITE_P(Replies, LivePresetOnTheLine, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Split" : "Whole";
                         });

TEST_F(LivePreset, SavedPresetLoadsBackIdenticalAndWritesBackUnchanged) {
    const QString path = folder.filePath("live preset.txt");
    PresetValues saved;
    std::vector<std::string> shownWhenSaved;
    Operator op;
    openEditor(op)
        .then("choose preset 2", [&] { program.pickEntry("PresetNoCombo", "2"); })
        .waitFor("preset 2 read", settled())
        .then("a reel name as ID2", [&] { program.typeId("ID2", "REEL07"); })
        .waitFor("the recorder took it", [&] { return recorderPreset().id(S::ID2) == "REEL07"; })
        .then("Save", [&] {
            EXPECT_EQ(chooseFile("SaveasText1", path), QStringList());
            saved = record();
            shownWhenSaved = shown();
            EXPECT_EQ(saved, recorderPreset());
        })
        .then("change settings", [&] {
            program.click("MP2Radio");
            program.click("TrackRepeatRadio");
            program.click("AutoCueOffRadio");
            program.typeId("ID2", "XXXXX1");
        })
        .waitFor("the recorder took them", [&] {
            const PresetValues now = recorderPreset();
            return now.value(S::Algorithm) == 0 && now.value(S::PlayMode) == 1 &&
                   now.value(S::AutoCue) == 0 && now.id(S::ID2) == "XXXXX1";
        })
        .then("Open", [&] { EXPECT_EQ(chooseFile("Open1", path), QStringList()); })
        .then("the saved preset shown, the recorder untouched", [&] {
            EXPECT_EQ(shown(), shownWhenSaved);
            EXPECT_EQ(record(), saved);
            EXPECT_NE(recorderPreset(), saved);
        })
        .then("Write to TAVRIN", [&] { program.menuItem("WritetoTAVRIN"); })
        .waitFor("the write", settled())
        .waitFor("the saved preset in the recorder", recorderHolds(saved))
        .then("Read from TAVRIN", [&] { program.menuItem("LoadfromTAVRIN"); })
        .waitFor("the re-read", settled())
        .then("still the saved preset", [&] {
            EXPECT_EQ(shown(), shownWhenSaved);
            EXPECT_EQ(record(), saved);
        });
    endPresetMenu(op);
    EXPECT_TRUE(op.run());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("TAVRIN Preset data file\n\r\n"));
    EXPECT_TRUE(bytes.contains("[BWF ID2]\r\n@0D2REEL07\r\r\n")) << bytes.toStdString();
    EXPECT_EQ(program.keysEnabled(), true);
    EXPECT_EQ(program.linkState().recorder.state, RecorderState::Stop);
}

TEST_F(LivePreset, RecorderThatNeverAnswersTheLastQueryGivesTheMainWindowBackAfterTheTimeOut) {
    program.sim.recorder().faults().ignoredQueries.insert("?D3");
    QElapsedTimer clock;
    clock.start();
    program.press("PresetKey");
    EXPECT_EQ(program.keysEnabled(), false);
    const QString recovered = QStringLiteral("no answer from recorder: preset read");
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.log().front() == recovered; }, 10000))
        << program.log().join(" | ").toStdString();
    EXPECT_GE(clock.elapsed(), 2000) << "gave up too early";
    EXPECT_FALSE(program.editorShown());
    EXPECT_EQ(program.keysEnabled(), true);
    EXPECT_EQ(program.linkState().recorder.state, RecorderState::Stop);
    EXPECT_EQ(program.log().value(1), kReadNotice);

    // The record keeps what did arrive.
    PresetValues arrived = recorderPreset();
    arrived.id(S::ID3) = "      ";
    EXPECT_EQ(record(), arrived);

    program.pressWhenQuiet("PlayKey");
    const QStringList played{QStringLiteral("<-@0STPLc"), QStringLiteral("<-ACK"), keyLine(protocol::Key::Play)};
    EXPECT_TRUE(QTest::qWaitFor([&] { return program.log().mid(0, 3) == played; }, 5000))
        << program.log().join(" | ").toStdString();
    EXPECT_EQ(program.log().count(recovered), 1);
}

// The editor runs the receive ticks while it is up; they must keep their 20 ms pace there too, or
// the time-out (150 ticks) would come early.
TEST_F(LivePreset, PresetSelectTheRecorderNeverAcknowledgesUnlocksTheEditorAfterTheTimeOut) {
    program.sim.recorder().faults().ignoredQueries.insert("PS02");
    const QString recovered = QStringLiteral("no answer from recorder: preset select");
    QElapsedTimer clock;
    qint64 lockedFor = 0;
    Operator op;
    openEditor(op)
        .then("choose preset 2", [&] {
            clock.start();
            program.pickEntry("PresetNoCombo", "2");
            EXPECT_FALSE(program.presetMenu.isCloseKeyEnabled());
        })
        .waitFor("the editor unlocked", [&] { return program.presetMenu.isCloseKeyEnabled(); })
        .then("one line in the log", [&] {
            lockedFor = clock.elapsed();
            EXPECT_EQ(program.log().front(), recovered);
            EXPECT_EQ(program.log().count(recovered), 1);
            EXPECT_EQ(program.presets().selected(), 0);
        })
        .waitFor("the line quiet", settled())
        .then("choose preset 3", [&] { program.pickEntry("PresetNoCombo", "3"); })
        .waitFor("preset 3 read", settled())
        .then("preset 3 shown", [&] {
            EXPECT_EQ(program.presets().selected(), 2);
            expectEditorShowsRecorder();
        });
    closeEditor(op);
    EXPECT_TRUE(op.run());
    EXPECT_GE(lockedFor, 2500) << "the editor's ticks ran faster than every 20 ms";
    EXPECT_EQ(program.keysEnabled(), true);
}

// A file that is no preset file changes nothing; one whose line ends a text tool turned into
// line feeds loads whole, as the write of all of it to the recorder shows.
TEST_F(LivePreset, FailedOpenChangesNothingAndAFileWithLineFeedsOnlyLoadsWhole) {
    std::string lineFeedsOnly = presetFile(kWholePreset);
    std::erase(lineFeedsOnly, '\r');
    const QString converted = fileWith("converted.txt", lineFeedsOnly);
    const QString notPreset = fileWith("notes.txt", "Rack 3: recorder B\n");
    std::vector<std::string> shownBefore;
    PresetValues recordBefore;
    Operator op;
    openEditor(op)
        .then("Open a file that is no preset file", [&] {
            shownBefore = shown();
            recordBefore = record();
            EXPECT_EQ(chooseFile("Open1", notPreset), QStringList{"Not TAVRIN preset file!"});
        })
        .then("nothing changed", [&] {
            EXPECT_EQ(shown(), shownBefore);
            EXPECT_EQ(record(), recordBefore);
        })
        .then("Open the converted file", [&] { EXPECT_EQ(chooseFile("Open1", converted), QStringList()); })
        .then("Write to TAVRIN", [&] { program.menuItem("WritetoTAVRIN"); })
        .waitFor("the write", settled())
        .then("every setting of the file in the recorder", [&] {
            for (const protocol::SettingInfo& s : protocol::kSettings) {
                if (s.setting == PresetSetting::PresetNo) continue;
                const std::size_t step = static_cast<std::size_t>(protocol::index(s.setting)) - 1;
                EXPECT_EQ("@0" + *program.presets().answer(s.query), kWholePreset[step]) << s.name;
            }
            expectEditorShowsRecorder();
        });
    endPresetMenu(op);
    EXPECT_TRUE(op.run());
}

// A whole preset opened from a file and written while the recorder refuses three of its commands,
// or loses the acknowledgement of one: the operator is told which settings did not land, in the
// log and in a box over the editor, and the editor then shows what the recorder really holds.
struct FailedWrite {
    const char* name;
    std::set<std::string> sim::ProtocolFaults::*fault;
    std::set<std::string> bodies;
    const char* line;
};

class LiveFailedWrite : public LivePreset, public testing::WithParamInterface<FailedWrite> {};

TEST_P(LiveFailedWrite, NamesTheSettingsThatDidNotLandAndReadsThePresetBack) {
    const QString path = fileWith("whole.txt", presetFile(kWholePreset));
    const QString line = QString::fromLatin1(GetParam().line);
    std::unique_ptr<ModalWatcher> watcher;
    QString boxText;
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    std::size_t framesBeforeWrite = 0;
    Operator op;
    openEditor(op)
        .then("Open the file", [&] { EXPECT_EQ(chooseFile("Open1", path), QStringList()); })
        .then("Write to TAVRIN with the fault on", [&] {
            program.sim.recorder().faults().*GetParam().fault = GetParam().bodies;
            framesBeforeWrite = program.sentFrames().size();
            watcher = std::make_unique<ModalWatcher>(
                [&](QWidget* modal) {
                    auto* box = qobject_cast<QMessageBox*>(modal);
                    ASSERT_NE(box, nullptr) << modal->metaObject()->className();
                    boxText = box->text();
                    boxIcon = box->icon();
                    box->accept();
                },
                &program.presetMenu);
            program.menuItem("WritetoTAVRIN");
        })
        .waitFor("the box", [&] { return watcher->seen(); })
        .waitFor("the re-read", settled())
        .then("told, and the recorder's preset shown", [&] {
            EXPECT_EQ(boxText, line);
            EXPECT_EQ(boxIcon, QMessageBox::Critical);
            EXPECT_EQ(program.log().count(line), 1) << program.log().join(" | ").toStdString();
            const std::vector<std::string> frames = program.sentFrames();
            std::string after;
            for (std::size_t i = framesBeforeWrite; i < frames.size(); ++i)
                if (frames[i].starts_with("@0?") && frames[i] != "@0?ST" && frames[i] != "@0?TMOD" &&
                    frames[i] != "@0?TI")
                    after += frames[i] + "\r";
            EXPECT_EQ(after, protocol::presetQueryBlock());
            expectEditorShowsRecorder();
            for (const std::string& body : GetParam().bodies)
                EXPECT_NE(std::find(kWholePreset.begin(), kWholePreset.end(), "@0" + body), kWholePreset.end());
        });
    endPresetMenu(op);
    EXPECT_TRUE(op.run());
    EXPECT_EQ(program.keysEnabled(), true);
}

const FailedWrite kFailedWrites[] = {
    {"Refused", &sim::ProtocolFaults::refusedCommands, {"FS44", "CP00", "PMAL"},
     "write to TAVRIN: refused Sampling Rate, Seamless Play, Play Mode"},
    {"AckLost", &sim::ProtocolFaults::strayBeforeAnswer, {"FS44"}, "write to TAVRIN: no answer after Sampling Rate"},
};

INSTANTIATE_TEST_SUITE_P(Faults, LiveFailedWrite, testing::ValuesIn(kFailedWrites),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavrin::test
