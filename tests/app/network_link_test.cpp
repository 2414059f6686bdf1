// The whole program on a recorder on the network: a real ser2net started by the test exports the
// simulator's pseudo-terminal on a loopback port, and COM2 names it as tcp:// or rfc2217://.
// The start-up chain, a key and a whole preset read and write go through it as on a local port;
// RFC 2217 sets the line that ser2net opened at another rate; a server that goes away and comes
// back is followed by exactly two log lines; a write cut off by the loss ends as a failed write
// ends it; bad names and refused connections each give their open error, and the window never
// stops turning meanwhile.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "support/gui/live_program.h"
#include "support/gui/operator.h"
#include "support/preset_oracle.h"
#include "support/ser2net.h"

namespace tavrin::test {
namespace {

using protocol::Key;
using protocol::RecorderState;
using Accepter = Ser2net::Accepter;

constexpr int kLongWaitMs = 8000;

bool waitFor(const std::function<bool()>& condition, int ms = kLongWaitMs) {
    return QTest::qWaitFor(condition, ms);
}

QString echoed(const char* body) { return QStringLiteral("<-@0%1c").arg(QString::fromLatin1(body)); }

std::string uniqueLinkPath() {
    static int count = 0;
    return "/tmp/tavrin-network-" + std::to_string(getpid()) + "-" + std::to_string(++count);
}

sim::SimOptions linkedAt(const std::string& path) {
    sim::SimOptions options;
    options.linkPath = path;
    return options;
}

const char* nameOf(Accepter accepter) { return accepter == Accepter::Raw ? "Tcp" : "Rfc2217"; }

QString newest(const LiveProgram& program) {
    const QStringList lines = program.log();
    return lines.isEmpty() ? QString() : lines.front();
}

// The lines logged since `mark` lines were there, oldest first.
QStringList linesSince(const LiveProgram& program, qsizetype mark) {
    QStringList lines = program.log();
    lines = lines.mid(0, lines.size() - mark);
    std::reverse(lines.begin(), lines.end());
    return lines;
}

// The program with COM2 naming ser2net, which serves the simulator's terminal through a link.
// ser2net listens before the program starts and opens the terminal when the program connects.
struct NetworkRig {
    explicit NetworkRig(Accepter accepter, std::string lineSettings = "9600n81,rtscts")
        : ser2net({accepter, linkPath, std::move(lineSettings)}),
          program(linkedAt(linkPath), ser2net.url()) {}

    std::string linkPath = uniqueLinkPath();
    Ser2net ser2net;
    LiveProgram program;
};

class OnTheNetwork : public testing::TestWithParam<Accepter> {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.ser2net.ok()) << rig.ser2net.error();
        ASSERT_TRUE(program.sim.ok()) << program.sim.error();
        // The start-up chain: the status request, the recorder's Stop report, the polls.
        ASSERT_TRUE(waitFor([&] { return program.timeShown() == "000:00:00"; }))
            << "log: " << program.log().join(" | ").toStdString() << "\nser2net: " << rig.ser2net.output();
        ASSERT_EQ(program.log(), (QStringList{echoed("STST"), statusRequestLine()}));
    }

    PresetValues recorderPreset() { return PresetValues::selectedInRecorder(program.presets()); }
    PresetValues record() { return PresetValues::inRecord(program.core.store()); }

    Operator& openEditorAndGoMono(Operator& op) {
        return op.then("Preset Menu", [&] { program.press("PresetKey"); })
            .waitFor("the editor shown", [&] { return program.editorSettled(); })
            .then("the recorder's preset read", [&] { EXPECT_EQ(record(), recorderPreset()); })
            .then("Mono", [&] { program.click("MonoRadio"); })
            .waitFor("the recorder took it", [&] {
                return recorderPreset().value(PresetSetting::StereoMono) == 1 && program.editorSettled();
            })
            .then("the edited preset", [&] { edited = record(); });

    }

    PresetValues edited;

    NetworkRig rig{GetParam()};
    LiveProgram& program = rig.program;
};

TEST_P(OnTheNetwork, KeyAndWholePresetReadAndWriteGoThroughTheServer) {
    program.pressWhenQuiet("PlayKey");
    const QStringList played{echoed("STPL"), "<-ACK", keyLine(Key::Play)};
    EXPECT_TRUE(waitFor([&] { return program.log().mid(0, 3) == played; }))
        << "log: " << program.log().join(" | ").toStdString();
    program.pressWhenQuiet("StopKey");
    ASSERT_TRUE(waitFor([&] { return program.linkState().recorder.state == RecorderState::Stop; }));

    Operator op;
    openEditorAndGoMono(op)
        .then("the recorder's own preset reset behind the editor's back",
              [&] { program.presets().restoreFactory(); })
        .then("Write to TAVRIN", [&] { program.menuItem("WritetoTAVRIN"); })
        .waitFor("the write", [&] { return program.editorSettled(); })
        .waitFor("the editor's preset in the recorder", [&] { return recorderPreset() == edited; })
        .then("Close", [&] { program.click("CloseKey"); })
        .waitFor("the editor gone", [&] { return !program.editorShown(); });
    EXPECT_TRUE(op.run());
}

TEST_P(OnTheNetwork, ServerKilledAndStartedAgainGivesExactlyTwoLinesAndTheStartUpRequestsAgain) {
    const qsizetype mark = program.log().size();
    const std::size_t framesBefore = program.sentFrames().size();
    rig.ser2net.stop(SIGKILL);
    ASSERT_TRUE(waitFor([&] { return newest(program) == "connection lost"; }))
        << "log: " << program.log().join(" | ").toStdString();
    EXPECT_EQ(program.timeShown(), "");
    QTest::qWait(2500);  // refused reopenings, about once a second, all quiet
    EXPECT_EQ(linesSince(program, mark), QStringList{"connection lost"});

    ASSERT_TRUE(rig.ser2net.start()) << rig.ser2net.error();
    ASSERT_TRUE(waitFor([&] { return newest(program) == echoed("STST"); }))
        << "log: " << program.log().join(" | ").toStdString();
    EXPECT_EQ(linesSince(program, mark),
              (QStringList{"connection lost", "connection restored", statusRequestLine(), echoed("STST")}));
    const std::vector<std::string> frames = program.sentFrames();
    ASSERT_GT(frames.size(), framesBefore);
    EXPECT_EQ(frames[framesBefore], "@0?ST");  // nothing went out before the port was open again
    EXPECT_TRUE(waitFor([&] { return program.timeShown() == "000:00:00"; }));  // the polls run again
}

TEST_P(OnTheNetwork, PresetWriteCutOffByTheLossEndsAsAFailedWriteEndsIt) {
    Operator op;
    openEditorAndGoMono(op)
        .then("Write to TAVRIN, and the server goes away under it",
              [&] {
                  program.menuItem("WritetoTAVRIN");
                  rig.ser2net.stop(SIGKILL);
              })
        .waitFor("the editor ended", [&] { return !program.editorShown(); });
    ASSERT_TRUE(op.run());
    EXPECT_EQ(newest(program), "connection lost");
    EXPECT_EQ(program.keysEnabled(), true);
    EXPECT_FALSE(program.core.session().transferPending());
    EXPECT_FALSE(program.transfer().EditorOpen);
    EXPECT_EQ(record(), edited);  // the record is kept

    ASSERT_TRUE(rig.ser2net.start()) << rig.ser2net.error();
    ASSERT_TRUE(waitFor([&] { return newest(program) == echoed("STST"); }))
        << "log: " << program.log().join(" | ").toStdString();
    Operator again;
    again.then("Preset Menu", [&] { program.press("PresetKey"); })
        .waitFor("the editor shown", [&] { return program.editorSettled(); })
        .then("Close", [&] { program.click("CloseKey"); })
        .waitFor("the editor gone", [&] { return !program.editorShown(); });
    EXPECT_TRUE(again.run());
}

INSTANTIATE_TEST_SUITE_P(Server, OnTheNetwork, testing::Values(Accepter::Raw, Accepter::Rfc2217),
                         [](const testing::TestParamInfo<Accepter>& info) { return nameOf(info.param); });

// ser2net opens the terminal at 19200 bit/s without flow control. Over a raw connection that is
// what the line keeps; over RFC 2217 the program sets its own line.
TEST(OnTheNetworkLine, Rfc2217SetsTheLineTheServerOpenedAt19200) {
    struct Row {
        Accepter accepter;
        const char* line;
    };
    const Row rows[] = {{Accepter::Raw, "19200 8N1 -crtscts"}, {Accepter::Rfc2217, "9600 8N1 crtscts"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(nameOf(row.accepter));
        NetworkRig rig(row.accepter, "19200n81");
        ASSERT_TRUE(rig.ser2net.ok()) << rig.ser2net.error();
        ASSERT_TRUE(waitFor([&] { return newest(rig.program) == echoed("STST"); }))
            << "log: " << rig.program.log().join(" | ").toStdString();
        // Checked while connected: the line settings are the terminal's while ser2net holds it.
        EXPECT_TRUE(waitFor([&] { return rig.program.sim.lineSettings() == row.line; }, 2000))
            << rig.program.sim.lineSettings();
    }
}

// A first client that holds the server's one connection.
class Client {
public:
    explicit Client(std::uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        QTest::qWait(200);  // until the server has given it the device
    }
    ~Client() { ::close(fd_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;
    bool connected() const { return connected_; }

private:
    int fd_;
    bool connected_ = false;
};

struct BadPort {
    const char* what;
    std::optional<Accepter> secondClientOf;  // a ser2net whose one connection is taken
    std::string name;                        // COM2 otherwise
    QStringList lines;                       // oldest first; "NAME" stands for COM2's name
};

class BadNetworkPort : public testing::TestWithParam<BadPort> {};

TEST_P(BadNetworkPort, LogsItsOpenErrorOnceWhileTheWindowGoesOn) {
    const BadPort& bad = GetParam();
    PseudoTerminal device;  // what the first client holds
    std::unique_ptr<Ser2net> server;
    std::unique_ptr<Client> first;
    std::string name = bad.name;
    if (bad.secondClientOf) {
        server = std::make_unique<Ser2net>(Ser2net::Config{*bad.secondClientOf, device.devicePath()});
        ASSERT_TRUE(server->ok()) << server->error();
        first = std::make_unique<Client>(server->port());
        ASSERT_TRUE(first->connected());
        name = server->url();
    }
    // The window's event loop turns all the while: no gap between two 10 ms timer ticks is long.
    using Clock = std::chrono::steady_clock;
    QTimer pulse;
    Clock::time_point lastPulse = Clock::now();
    Clock::duration longestGap{};
    QObject::connect(&pulse, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, Clock::now() - lastPulse);
        lastPulse = Clock::now();
    });
    pulse.start(10);

    const Clock::time_point started = Clock::now();
    LiveProgram program({}, name);
    EXPECT_LT(Clock::now() - started, 1s) << "the start-up waited for the connection";
    QStringList expected;
    for (const QString& line : bad.lines)
        expected.append(QString(line).replace("NAME", QString::fromStdString(name)));
    ASSERT_TRUE(waitFor([&] { return program.log().size() >= expected.size(); }))
        << "log: " << program.log().join(" | ").toStdString();
    QTest::qWait(1500);  // and nothing more: a port that never opened is not reopened
    EXPECT_EQ(linesSince(program, 0), expected);
    EXPECT_LT(longestGap, 500ms);

    program.pressWhenQuiet("PlayKey");  // the window still answers: the key fails at once
    EXPECT_EQ(program.log().mid(0, 2), (QStringList{keyLine(Key::Play), "connection error"}));
}

std::string nothingListens() { return "tcp://127.0.0.1:" + std::to_string(freeLoopbackPort()); }

INSTANTIATE_TEST_SUITE_P(
    Names, BadNetworkPort,
    testing::Values(
        BadPort{"PortOutOfRange", std::nullopt, "tcp://127.0.0.1:99999",
                {"com port number error",
                 "(COM2 is NAME: not a name of the form tcp://HOST:PORT or rfc2217://HOST:PORT)"}},
        BadPort{"HostWithAComma", std::nullopt, "rfc2217://serial,server:4001",
                {"com port number error",
                 "(COM2 is NAME: not a name of the form tcp://HOST:PORT or rfc2217://HOST:PORT)"}},
        BadPort{"NothingListens", std::nullopt, nothingListens(),
                {"com port number error", "(COM2 is NAME: Connection refused)"}},
        BadPort{"SecondTcpClient", Accepter::Raw, {}, {"com port busy"}},
        BadPort{"SecondRfc2217Client", Accepter::Rfc2217, {}, {"com port busy"}}),
    [](const testing::TestParamInfo<BadPort>& info) { return info.param.what; });

}  // namespace
}  // namespace tavrin::test
