// tavrinctl on the line: the exact frames each command sends and when, the preset file a read
// writes, and the exit status of each kind of failure, against the recorder simulator on a
// pseudo-terminal.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "preset/preset_file.h"
#include "protocol/setting_frames.h"
#include "sim/recorder.h"
#include "support/core_rig.h"
#include "support/ctl_rig.h"
#include "support/fake_editor_view.h"
#include "support/preset_oracle.h"
#include "support/ser2net.h"

namespace tavrin::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

// The 26 queries of a preset read as one write; the twelfth with its lower-case k.
const std::string kQueryBlock =
    "@0?PS<CR>@0?IN<CR>@0?DF<CR>@0?CH<CR>@0?AF<CR>@0?BR<CR>@0?FS<CR>@0?FT<CR>@0?PR<CR>@0?AM<CR>"
    "@0?MT<CR>@0?Ak<CR>@0?AT<CR>@0?CP<CR>@0?SS<CR>@0?SC<CR>@0?SL<CR>@0?AC<CR>@0?CT<CR>@0?CL<CR>"
    "@0?PM<CR>@0?EP<CR>@0?RC<CR>@0?D1<CR>@0?D2<CR>@0?D3<CR>";

Strings onTheWire(const Strings& frames) {
    Strings shown;
    for (const std::string& f : frames) shown.push_back(f + "<CR>");
    return shown;
}

Strings concat(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Tavrinctl : public ::testing::Test {
public:
    std::string file(const std::string& name, const std::string& contents) {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << contents;
        return path.string();
    }

protected:
    void SetUp() override {
        if (access(CtlRig::program().c_str(), X_OK) != 0)
            GTEST_SKIP() << CtlRig::program() << " is not built";
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    static std::string bytesOf(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // tavrinctl on the first simulator.
    CtlRun runOnSim(Strings args) {
        args.insert(args.begin(), {"-p", rig.sim().devicePath()});
        return rig.run(args);
    }

    const fs::path dir = fs::temp_directory_path() / ("tavrinctl-wire-" + std::to_string(getpid()));
    CtlRig rig;
};

struct WireCase {
    const char* name;
    std::function<Strings(Tavrinctl&)> args;
    Strings frames;  // as the simulator read them, one entry per read
};

class Frames : public Tavrinctl, public ::testing::WithParamInterface<WireCase> {};

TEST_P(Frames, EachCommandSendsItsFramesEachAfterTheLastOnesAnswer) {
    rig.addSim();
    const CtlRun run = runOnSim(GetParam().args(*this));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(rig.sent(), GetParam().frames);
    // Each frame waits for the answer to the one before it.
    const Strings talk = rig.conversation();
    for (std::size_t i = 1; i < talk.size(); ++i)
        EXPECT_FALSE(talk[i - 1].starts_with("> ") && talk[i].starts_with("> "))
            << talk[i - 1] << " " << talk[i];
}

const WireCase kWireCases[] = {
    {"KeysAsTheWindowsButtons",
     [](Tavrinctl&) {
         return Strings{"key", "play", "mark", "0", "track-next"};
     },
     {"@02353<CR>", "@023121<CR>", "@02300<CR>", "@02332<CR>"}},
    {"ReadSelectsThenSendsTheQueriesAsOneBlock",
     [](Tavrinctl& t) { return Strings{"preset", "read", "--preset", "2", "-o", t.file("out.txt", "")}; },
     {"@0?ST<CR>", "@0PS02<CR>", kQueryBlock}},
    {"WriteOfAWholeFileInWriteOrder",
     [](Tavrinctl& t) {
         return Strings{"preset", "write", t.file("whole.txt", presetFile(kWholePreset))};
     },
     concat({"@0?ST<CR>"}, onTheWire(kWholePreset))},
    {"WriteOfAOneLinePatch",
     [](Tavrinctl& t) {
         return Strings{"preset", "write", t.file("patch.txt", "@0PMAL\r")};
     },
     {"@0?ST<CR>", "@0PMAL<CR>"}},
    {"WriteLeavesOutAnInvalidId",
     [](Tavrinctl& t) {
         return Strings{"preset", "write", t.file("patch.txt", "@0D2ab cd \r\n@0FS16\r\n@0PMSP\r")};
     },
     {"@0?ST<CR>", "@0FS16<CR>", "@0PMSP<CR>"}},
    {"Select",
     [](Tavrinctl&) {
         return Strings{"preset", "select", "3"};
     },
     {"@0?ST<CR>", "@0PS03<CR>"}},
    {"DefaultOnAnotherPreset",
     [](Tavrinctl&) {
         return Strings{"preset", "default", "--preset", "2"};
     },
     {"@0?ST<CR>", "@0PS02<CR>", "@0DEFL<CR>"}},
};

INSTANTIATE_TEST_SUITE_P(Commands, Frames, ::testing::ValuesIn(kWireCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Tavrinctl, AWholeWriteLandsInTheRecordersSelectedPreset) {
    sim::RecorderSim& sim = rig.addSim();
    const CtlRun run = runOnSim({"preset", "write", file("whole.txt", presetFile(kWholePreset))});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "25 of 25 settings written\n");
    const sim::PresetBank& bank = sim.recorder().presets();
    for (const protocol::SettingInfo& s : protocol::kSettings) {
        if (s.setting == protocol::PresetSetting::PresetNo) continue;
        const std::string reply = *bank.answer(s.query);
        const std::string expected = kWholePreset[static_cast<std::size_t>(protocol::index(s.setting)) - 1];
        // Unbalanced input is set as "INUB" and reported as "INUN"; the rest answer as set.
        EXPECT_EQ("@0" + reply, expected) << s.name;
    }
}

// The editor, shown the same replies, saves the same bytes that tavrinctl writes: the replies
// of a twin recorder with the same presets go through the core's receive tick and the editor's
// Save. The remote mode comes back as "RCPW", which stores nothing in either.
TEST_F(Tavrinctl, ReadWritesTheBytesTheEditorsSaveWritesForTheSameReplies) {
    sim::SimOptions options;
    options.protocol.answerRcpw = true;
    sim::RecorderSim& sim = rig.addSim(options);
    for (const char* body : {"BR320", "FS32", "FTWA", "AT1200", "SC04", "PMAR", "D1ABC123", "D3ZZ9900"})
        ASSERT_TRUE(sim.recorder().presets().apply(body));
    const CtlRun run = runOnSim({"preset", "read"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Remote Mode: the recorder reported no value"), std::string::npos) << run.err;

    sim::Recorder twin(sim::SimClock::now());
    twin.presets() = sim.recorder().presets();
    twin.faults() = sim.recorder().faults();
    CoreRig<> editorSide;
    FakeEditorView view;
    editorSide.port.isOpen = true;
    editorSide.core.attachEditorView(view);
    editorSide.session.ResetPresetRecord();
    editorSide.link.stateForTesting().linkUp = true;
    editorSide.link.stateForTesting().recorder.state = protocol::RecorderState::Stop;
    const fs::path saved = dir / "editor.txt";
    view.onShowModal = [&] {
        editorSide.editor.FormShow();
        view.savePath = saved.string();
        editorSide.editor.SaveasText1Click();
    };
    editorSide.session.PresetGate();
    for (const std::string& write : twin.receive(protocol::presetQueryBlock(), sim::SimClock::now())) {
        editorSide.port.receive(write);
        editorSide.link.RxTimerTimer();
    }
    ASSERT_TRUE(fs::exists(saved)) << "the editor was shown and saved";
    EXPECT_EQ(run.out, bytesOf(saved));
}

// One row per exit status, each from a real cause.
struct StatusCase {
    const char* name;
    std::function<void(sim::RecorderSim&)> fault;
    std::function<Strings(Tavrinctl&, const std::string& simPort)> args;
    int status;
    const char* error;  // a part of standard error
};

class ExitStatus : public Tavrinctl, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(ExitStatus, ComesFromItsCause) {
    sim::RecorderSim& sim = rig.addSim();
    GetParam().fault(sim);
    const CtlRun run = rig.run(GetParam().args(*this, sim.devicePath()));
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    EXPECT_NE(run.err.find(GetParam().error), std::string::npos) << run.err;
    EXPECT_EQ(sim.recorder().presets().selected(), 0) << "no preset command reached the recorder";
}

const auto kNoFault = [](sim::RecorderSim&) {};

const StatusCase kStatusCases[] = {
    {"NakIsOne", [](sim::RecorderSim& s) { s.recorder().faults().nakEvery = 1; },
     [](Tavrinctl&, const std::string& port) {
         return Strings{"-p", port, "key", "play"};
     },
     1, "key play was refused (NAK)"},
    {"RecorderNotStoppedIsOne",
     [](sim::RecorderSim& s) { (void)s.recorder().receive("@02353\r", sim::SimClock::now()); },
     [](Tavrinctl&, const std::string& port) {
         return Strings{"-p", port, "preset", "select", "2"};
     },
     1, "invalid(recieved status wasn't STOP) (Play)"},
    {"NoAnswerIsThree", [](sim::RecorderSim& s) { s.recorder().faults().ignoredQueries.insert("?ST"); },
     [](Tavrinctl&, const std::string& port) {
         return Strings{"--timeout", "0.3", "-p", port, "status"};
     },
     3, "no answer to @0?ST"},
    {"MissingPortIsFour", kNoFault,
     [](Tavrinctl&, const std::string&) {
         return Strings{"-p", "/dev/tavrin-no-such-port", "status"};
     },
     4, "cannot open /dev/tavrin-no-such-port"},
    {"FileThatIsNoPresetFileIsFive", kNoFault,
     [](Tavrinctl& t, const std::string& port) {
         return Strings{"-p", port, "preset", "write", t.file("notes.txt", "@0PS02\rnothing else\r\n")};
     },
     5, "Not TAVRIN preset file!"},
    {"UsageErrorIsTwo", kNoFault,
     [](Tavrinctl&, const std::string& port) {
         return Strings{"-p", port, "key", "play", "plai"};
     },
     2, "tavrinctl: unknown key 'plai' (tavrinctl keys lists them)\nUsage: tavrinctl"},
};

INSTANTIATE_TEST_SUITE_P(Causes, ExitStatus, ::testing::ValuesIn(kStatusCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Through a real ser2net on a loopback port, by both network names: the same key frame, and a
// whole write whose read back gives the file that was written.
class ThroughSer2net : public Tavrinctl, public ::testing::WithParamInterface<Ser2net::Accepter> {};

TEST_P(ThroughSer2net, KeyWriteAndReadGoThroughTheServer) {
    sim::RecorderSim& sim = rig.addSim();
    Ser2net server({GetParam(), sim.devicePath()});
    ASSERT_TRUE(server.ok()) << server.error();
    const auto onServer = [&](Strings args) {
        args.insert(args.begin(), {"-p", server.url()});
        return rig.run(args);
    };
    const CtlRun key = onServer({"key", "play"});
    EXPECT_EQ(key.status, 0) << key.err;
    EXPECT_EQ(sim.recorder().deck().transport(), sim::Transport::Play);
    ASSERT_EQ(onServer({"key", "stop"}).status, 0);

    const std::string written = file("written.txt", presetFile(kWholePreset));
    const CtlRun write = onServer({"preset", "write", written});
    EXPECT_EQ(write.status, 0) << write.err;
    const CtlRun read = onServer({"preset", "read", "-o", (dir / "read.txt").string()});
    ASSERT_EQ(read.status, 0) << read.err;
    for (const std::string& frame : kWholePreset)
        EXPECT_NE(bytesOf(dir / "read.txt").find(frame + "\r\r\n"), std::string::npos) << frame;
}

INSTANTIATE_TEST_SUITE_P(Server, ThroughSer2net,
                         ::testing::Values(Ser2net::Accepter::Raw, Ser2net::Accepter::Rfc2217),
                         [](const auto& info) { return info.param == Ser2net::Accepter::Raw ? "Tcp" : "Rfc2217"; });

}  // namespace
}  // namespace tavrin::test
