// tavrinctl on whole fleets and in the cases where it must not do half a job quietly: several
// simulators at once, a backup and a verify on a recorder with faults, a backup that cannot be
// saved, a write interrupted by Ctrl+C, a watch whose port goes away.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "preset/preset_file.h"
#include "support/ctl_rig.h"
#include "support/pty.h"

namespace tavrin::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

// A preset the simulator's factory presets do not hold, as a preset file.
const std::string kPresetFile =
    "TAVRIN Preset data file\n\r\n"
    "@0INDI\r\r\n@0DFDM\r\r\n@0CHMO\r\r\n@0AFM3\r\r\n@0BR256\r\r\n@0FS44\r\r\n@0FTM3\r\r\n@0PR00\r\r\n"
    "@0AM00\r\r\n@0MT00\r\r\n@0AK00\r\r\n@0AT2400\r\r\n@0CP00\r\r\n@0SS00\r\r\n@0SC05\r\r\n@0SL60\r\r\n"
    "@0AC00\r\r\n@0CT95\r\r\n@0CL60\r\r\n@0PMAL\r\r\n@0EP00\r\r\n@0RCMA\r\r\n@0D1ABC123\r\r\n"
    "@0D2XYZ789\r\r\n@0D3Q1W2E3\r\r\n";

class TavrinctlFleet : public ::testing::Test {
protected:
    void SetUp() override {
        if (access(CtlRig::program().c_str(), X_OK) != 0)
            GTEST_SKIP() << CtlRig::program() << " is not built";
        fs::create_directories(dir);
        std::ofstream(dir / "preset.txt", std::ios::binary) << kPresetFile;
    }
    void TearDown() override { fs::remove_all(dir); }

    static std::string bytesOf(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static bool holdsTheFile(const sim::PresetBank& bank, int preset) {
        const sim::Preset& p = bank.preset(preset);
        return p.value(protocol::PresetSetting::SampleRate) == 4 &&
               p.value(protocol::PresetSetting::PlayMode) == 2 &&
               p.id(protocol::PresetSetting::ID3) == "Q1W2E3";
    }

    const fs::path dir = fs::temp_directory_path() / ("tavrinctl-fleet-" + std::to_string(getpid()));
    const std::string file = (dir / "preset.txt").string();
    CtlRig rig;
};

// Four recorders at once: two good ones, one that refuses every third command and one that
// never answers. Each gets its own status; the results come in the order the recorders
// finish, so the good ones are reported long before the silent one's time-out.
TEST_F(TavrinctlFleet, AWriteLandsInEveryRecorderAndAFaultyOneKeepsItsOwnStatus) {
    Strings args = {"--json", "--timeout", "1", "preset", "write", file};
    for (int i = 0; i < 4; ++i) {
        sim::RecorderSim& sim = rig.addSim();
        if (i == 2) sim.recorder().faults().nakEvery = 3;
        if (i == 3) sim.recorder().faults().ignoredQueries.insert("?ST");
        args.insert(args.end(), {"-p", sim.devicePath()});
    }
    const CtlRun run = rig.run(args);
    EXPECT_EQ(run.status, 3) << "the highest status wins";

    Strings objects;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) objects.push_back(line);
    ASSERT_EQ(objects.size(), 4u) << run.out;
    const auto ofPort = [&](std::size_t i) { return "{\"port\":\"" + rig.sim(i).devicePath() + "\""; };
    EXPECT_TRUE(objects[3].starts_with(ofPort(3))) << "the silent recorder finishes last: " << run.out;
    EXPECT_NE(objects[3].find("\"error\":\"no answer to @0?ST\""), std::string::npos) << objects[3];
    EXPECT_TRUE(objects[3].ends_with("\"status\":3}"));
    for (std::size_t i = 0; i < 3; ++i) {
        const auto object =
            std::find_if(objects.begin(), objects.end(), [&](auto& o) { return o.starts_with(ofPort(i)); });
        ASSERT_NE(object, objects.begin() + 3) << i;
        EXPECT_TRUE(object->ends_with(i == 2 ? "\"status\":1}" : "\"status\":0}")) << *object;
    }
    EXPECT_TRUE(holdsTheFile(rig.sim(0).recorder().presets(), 0));
    EXPECT_TRUE(holdsTheFile(rig.sim(1).recorder().presets(), 0));
    // Frames 3, 6, ... are refused: the 2nd, 5th, 8th ... setting; the others land.
    const auto& refusing = rig.sim(2).recorder().presets().preset(0);
    EXPECT_EQ(refusing.value(protocol::PresetSetting::SampleRate), 4);
    EXPECT_NE(refusing.value(protocol::PresetSetting::DateForm), 1);
    const std::string& refused =
        *std::find_if(objects.begin(), objects.end(), [&](auto& o) { return o.starts_with(ofPort(2)); });
    EXPECT_NE(refused.find("\"refused\":[\"Date Form\",\"Bit Rate\",\"Pre Record\",\"AutoTrack\""),
              std::string::npos)
        << refused;
    EXPECT_NE(run.err.find(rig.sim(2).devicePath() + ": Date Form: refused (NAK)"), std::string::npos)
        << run.err;
    EXPECT_TRUE(rig.sent(3) == Strings{"@0?ST<CR>"}) << "nothing more goes to a recorder that did not answer";
}

// The whole round trip of a preset through a file, from one preset to another, in the fleet's
// form: the output lines carry their port, the files the port's name.
TEST_F(TavrinctlFleet, ReadThenWriteWithVerifyOnAnotherPresetThenDiffFindsNothing) {
    Strings ports;
    for (int i = 0; i < 2; ++i) ports.insert(ports.end(), {"-p", rig.addSim().devicePath()});
    const auto onBoth = [&](Strings args) {
        args.insert(args.begin(), ports.begin(), ports.end());
        return rig.run(args);
    };
    const std::string first = rig.sim(0).devicePath();
    std::string firstInName = first;  // "/dev/pts/5" gives "_dev_pts_5"
    for (char& c : firstInName)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    const fs::path saved = dir / ("a-" + firstInName + ".txt");

    const CtlRun read = onBoth({"preset", "read", "-o", (dir / "a-{port}.txt").string()});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_NE(read.out.find(first + ": preset 1 saved to " + saved.string() + "\n"), std::string::npos)
        << read.out;
    ASSERT_TRUE(fs::exists(saved)) << read.out;

    const CtlRun write = onBoth({"preset", "write", saved.string(), "--verify", "--preset", "2"});
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_NE(write.out.find(first + ": verify: the recorder holds every setting of the file\n"),
              std::string::npos)
        << write.out;
    for (std::size_t i = 0; i < 2; ++i) {
        const sim::PresetBank& bank = rig.sim(i).recorder().presets();
        EXPECT_EQ(bank.preset(1).values, rig.sim(0).recorder().presets().preset(0).values) << i;
        EXPECT_EQ(bank.preset(1).ids, rig.sim(0).recorder().presets().preset(0).ids) << i;
    }

    const CtlRun diff = onBoth({"preset", "diff", saved.string(), "--preset", "2"});
    EXPECT_EQ(diff.status, 0) << diff.err;
    EXPECT_EQ(diff.out, "");
    const CtlRun other = onBoth({"preset", "diff", file});
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.out.find(first + ": Sample Rate 48 / 44.1\n"), std::string::npos) << other.out;
}

// The recorder refuses every 60th frame it is sent. A first read takes frames 1 to 27; then the
// write's status request is 28, the backup's queries 29 to 54, the settings 55 to 79 and the
// verify's queries 80 to 105: only the sixth setting, Sample Rate, is refused.
TEST_F(TavrinctlFleet, BackupAndVerifyOnARecorderThatRefusesASetting) {
    sim::RecorderSim& sim = rig.addSim();
    const std::string port = sim.devicePath();
    const CtlRun before = rig.run({"-p", port, "preset", "read"});
    ASSERT_EQ(before.status, 0) << before.err;
    sim.recorder().faults().nakEvery = 60;
    const fs::path backup = dir / "backup.txt";
    const CtlRun run =
        rig.run({"-p", port, "preset", "write", file, "--backup", backup.string(), "--verify"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(bytesOf(backup), before.out) << "the backup holds the preset as it was";
    EXPECT_NE(run.err.find("Sample Rate: refused (NAK)"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("24 of 25 settings written; refused: Sample Rate\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("verify: Sample Rate 48 / 44.1\n"), std::string::npos) << run.out;
}

TEST_F(TavrinctlFleet, ABackupThatCannotBeSavedStopsTheWriteBeforeItsFirstByte) {
    sim::RecorderSim& sim = rig.addSim();
    const CtlRun run =
        rig.run({"-p", sim.devicePath(), "preset", "write", file, "--backup", "/nonexistent/b.txt"});
    EXPECT_EQ(run.status, 5);
    EXPECT_NE(run.err.find("cannot save the backup"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nothing was written"), std::string::npos) << run.err;
    const Strings sent = rig.sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], "@0?ST<CR>");
    EXPECT_TRUE(sent[1].starts_with("@0?PS<CR>@0?IN<CR>")) << "only the backup's queries";
    EXPECT_FALSE(holdsTheFile(sim.recorder().presets(), 0));
}

// A recorder played by hand: it answers the status request, acknowledges two settings,
// refuses the third and then says nothing; Ctrl+C ends the write.
TEST_F(TavrinctlFleet, AWriteInterruptedByCtrlCNamesWhatGotItsAckAndWhatDidNot) {
    PseudoTerminal recorder;
    ASSERT_TRUE(recorder.ok());
    std::string heard;
    int answered = 0;
    bool interrupted = false;
    const CtlRun run = rig.run({"-p", recorder.devicePath(), "--timeout", "10", "preset", "write", file},
                               [&](ChildProcess& ctl) {
                                   heard += recorder.read(64, 0ms);
                                   for (std::size_t cr; (cr = heard.find('\r')) != std::string::npos;) {
                                       heard.erase(0, cr + 1);
                                       const std::string answer[] = {"@0STST\r", "\x06", "\x06", "\x15"};
                                       if (answered < 4) {
                                           recorder.write(answer[answered++]);
                                       } else if (!interrupted) {
                                           ctl.signal(SIGINT);
                                           interrupted = true;
                                       }
                                   }
                               });
    EXPECT_EQ(run.status, 130);
    EXPECT_NE(run.err.find("interrupted during the write"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("acknowledged (ACK): Input Select, Date Form\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("refused (NAK): Record Channel\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("not acknowledged: REC Format, Bit Rate, Sample Rate,"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("BWF ID2, BWF ID3\n"), std::string::npos) << run.err;
}

// watch follows what the recorder reports and polls at the window's pace; a port that goes
// away ends it with status 4.
TEST_F(TavrinctlFleet, WatchPrintsEachChangeAndEndsWhenThePortIsLost) {
    PseudoTerminal recorder;
    ASSERT_TRUE(recorder.ok());
    std::string heard;
    bool playing = false, gone = false;
    const CtlRun run = rig.run({"-p", recorder.devicePath(), "watch"}, [&](ChildProcess& ctl) {
        heard += recorder.read(64, 0ms);
        for (std::size_t cr; (cr = heard.find('\r')) != std::string::npos; heard.erase(0, cr + 1)) {
            const std::string frame = heard.substr(0, cr);
            if (frame == "@0?ST") recorder.write("@0STST\r");
            if (frame == "@0?TMOD") recorder.write("@0TMTT\r");
            if (frame == "@0?TI") recorder.write(playing ? "@0TI0000013\r" : "@0TI0000012\r");
        }
        if (!playing && ctl.out().find("time: 000:00:12") != std::string::npos) {
            recorder.write("@0STPL\r");
            playing = true;
        }
        if (!gone && ctl.out().find("time: 000:00:13") != std::string::npos) {
            recorder.hangUp();
            gone = true;
        }
    });
    EXPECT_EQ(run.status, 4) << run.err;
    EXPECT_EQ(run.out, "state: Stop\ndisplay: TRACK TIME\ntime: 000:00:12\nstate: Play\ntime: 000:00:13\n");
    EXPECT_NE(run.err.find("the port was lost"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tavrin::test
