// The receive tick fed arbitrary reads, with the preset transfers and the preset editor on top,
// driven as the operator could drive them. The input is a list of steps (see fuzz/README.md):
// a read of the fuzzer's bytes followed by a tick, a real reply (whole or split), quiet ticks,
// the main window's keys and preset gate, the editor's controls while it is shown modally, a
// port that stops taking writes. After every step the shared invariants must hold.

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "protocol/frames.h"
#include "link/link.h"
#include "support/core_invariants.h"
#include "support/core_rig.h"
#include "support/fake_editor_view.h"

namespace {

namespace link = tavrin::link;
namespace preset = tavrin::preset;
namespace protocol = tavrin::protocol;
namespace platform = tavrin::platform;
namespace test = tavrin::test;
using protocol::PresetSetting;
using tavrin::test::ByteReader;
using tavrin::test::check;

// TAVRIN_FUZZ_TRACE=1 prints the steps, the writes and the log lines of a run to stderr, to
// turn a crashing input into a regression test.
const bool kTrace = std::getenv("TAVRIN_FUZZ_TRACE") != nullptr;

void trace(std::string_view what, std::string_view bytes = {}) {
    if (!kTrace) return;
    std::string shown;
    for (const unsigned char c : bytes)
        shown += c >= 0x20 && c < 0x7f ? std::string(1, static_cast<char>(c)) : "<" + std::to_string(c) + ">";
    std::fprintf(stderr, "%.*s %s\n", static_cast<int>(what.size()), what.data(), shown.c_str());
}

// More ticks than this per input would only make the run slow.
constexpr int kTickBudget = 20000;
constexpr int kDeepestModal = 4;

using S = PresetSetting;
constexpr auto& kLists = protocol::kSettingsShownAs<protocol::Control::List>;
constexpr auto& kRadioGroups = protocol::kSettingsShownAs<protocol::Control::Radios>;

// Every write is whole frames, "@0" + body + CR, one or several; a port that took fewer
// bytes than it was given kept their beginning.
bool framesOrTheirStart(std::string_view taken, std::size_t writeLimit) {
    if (taken.empty()) return writeLimit == 0;
    return taken.front() == '@' && (taken.size() == writeLimit || taken.back() == '\r');
}

// Real replies, so that the fuzzer reaches the transfers without having to find them.
std::vector<std::string> cannedReplies() {
    std::vector<std::string> out = {
        std::string(1, static_cast<char>(protocol::kACK)),
        std::string(1, static_cast<char>(protocol::kNAK)),
        std::string(1, static_cast<char>(protocol::kACK)) + protocol::commandFrame("STST"),
        protocol::commandFrame("PW01"), protocol::commandFrame("PW00"), protocol::commandFrame("DS01"),
        protocol::commandFrame("CDNC"), protocol::commandFrame("TR012"), protocol::commandFrame("TI0012345"),
        protocol::commandFrame("D1AB12CD"), protocol::commandFrame("D2XY0001"),
        protocol::commandFrame("D3ZZ9999"),
        protocol::commandFrame("D3ab cd"), protocol::commandFrame("?ST"), protocol::commandFrame(""),
    };
    for (std::string_view status : {"ST", "PL", "PP", "TS", "RP", "RE", "S+", "FF", "ED", "ER", "AB"})
        out.push_back(protocol::commandFrame("ST" + std::string(status)));
    for (std::string_view mode : {"RE", "TN", "TM", "AG", "ND", "TT", "RD", "TR"})
        out.push_back(protocol::commandFrame("TM" + std::string(mode)));
    for (const protocol::SettingInfo& setting : protocol::kSettings)
        for (const protocol::Code& code : setting.codes) out.push_back(protocol::commandFrame(code.reply));
    return out;
}

// The core on stand-ins; the fuzzer's bytes are the recorder's.
class Rig : test::CoreRig<> {
public:
    explicit Rig(ByteReader& input) : input_(input), replies_(cannedReplies()) {
        core.attachEditorView(view_);
        view_.onShowModal = [this] { runModal(); };
        core.start();
        checkInvariants();
    }

    void run() {
        while (!input_.empty() && ticks_ < kTickBudget) {
            mainWindowStep();
            checkInvariants();
        }
    }

private:
    enum MainStep { Read, Reply, SplitReply, Quiet, Gate, KeyPress, PortChange, PortFault, kMainSteps };
    enum EditorStep { ERead, EReply, ESplitReply, EQuiet, EControl, EPortFault, kEditorSteps };

    void mainWindowStep() {
        const int step = input_.pick(kMainSteps);
        trace("main step " + std::to_string(step));
        switch (step) {
        case Read: readStep(); break;
        case Reply: replyStep(false); break;
        case SplitReply: replyStep(true); break;
        case Quiet: quietTicks(); break;
        case Gate:
            if (displays.keysEnabled) session.PresetGate();
            break;
        case KeyPress:
            if (displays.keysEnabled)
                link.sendKey(protocol::kKeyCommands[pickIndex(protocol::kKeyCommands.size())].key);
            break;
        case PortChange:
            port.openReturns = input_.byte() % 4 == 0
                                  ? platform::OpenResult{platform::OpenError::NoSuchPort, 2}
                                  : platform::OpenResult{};
            link.changePort(1 + input_.pick(8));
            break;
        case PortFault: portFault(); break;
        }
    }

    // What runs while the editor is shown: ticks and the editor's own controls only.
    void runModal() {
        trace("editor shown");
        editor.FormShow();
        if (++depth_ > kDeepestModal) {
            --depth_;
            return;
        }
        const int ends = view_.endModalCalls;
        while (view_.endModalCalls == ends && !input_.empty() && ticks_ < kTickBudget) {
            editorStep();
            checkInvariants();
        }
        --depth_;
        trace("editor gone");
    }

    void editorStep() {
        const int step = input_.pick(kEditorSteps);
        trace("editor step " + std::to_string(step));
        switch (step) {
        case ERead: readStep(); break;
        case EReply: replyStep(false); break;
        case ESplitReply: replyStep(true); break;
        case EQuiet: quietTicks(); break;
        case EControl:
            if (!editor.locked()) editorControl();
            break;
        case EPortFault: portFault(); break;
        }
    }

    void editorControl() {
        const int control = input_.pick(9);
        trace("  control " + std::to_string(control));
        switch (control) {
        case 0: editor.radioClicked(kRadioGroups[pickIndex(kRadioGroups.size())], input_.pick(5) - 1); break;
        case 1: {
            const PresetSetting list = kLists[pickIndex(kLists.size())];
            if (view_.isListEnabled(list))
                editor.listChanged(list, input_.pick(static_cast<int>(view_.entries(list).size()) + 1) - 1);
            break;
        }
        case 2: {
            const PresetSetting id = settingAt(index(PresetSetting::ID1) + input_.pick(3));
            view_.typeId(id, input_.bytes(input_.pick(8)));
            editor.IDSetKeyClick(id);
            break;
        }
        case 3: editor.DefaultKeyClick(); break;
        case 4: editor.LoadfromTAVRINClick(); break;
        case 5: editor.WritetoTAVRINClick(); break;
        case 6: editor.CloseKeyClick(); break;
        case 7: editor.EndPresetMenuClick(); break;
        case 8: editor.Open1Click(); break;
        }
    }

    std::size_t pickIndex(std::size_t count) {
        return static_cast<std::size_t>(input_.pick(static_cast<int>(count)));
    }
    static PresetSetting settingAt(int i) { return protocol::settingAt(i); }

    void readStep() {
        queue(input_.bytes(input_.pick(48)));
        tick();
    }

    void replyStep(bool split) {
        const std::string& reply = replies_[pickIndex(replies_.size())];
        if (!split) {
            queue(reply);
        } else {
            const std::size_t at = pickIndex(reply.size() + 1);
            queue(reply.substr(0, at));
            tick();
            queue(reply.substr(at));
        }
        tick();
    }

    void quietTicks() {
        for (int n = 1 + input_.byte(); n > 0 && ticks_ < kTickBudget; --n) tick();
    }

    void portFault() {
        port.writeLimit = input_.byte() % 2 == 0 ? SIZE_MAX : pickIndex(8);
    }

    void queue(const std::string& bytes) {
        trace("  queued", bytes);
        port.receive(bytes);
    }

    bool transferPending() const { return session.transferPending(); }

    // A transfer that hears nothing from the recorder is ended by the recovery time-out. Ticks
    // nest: a read by the tick that showed the editor counts at the end of the first nested one.
    void tick() {
        ++ticks_;
        core.tick();
        (void)view_.takeJournal();
        const bool heard = port.reads != readsSeen_;
        readsSeen_ = port.reads;
        quietPendingTicks_ = transferPending() && !heard ? quietPendingTicks_ + 1 : 0;
        check(quietPendingTicks_ <= preset::PresetSession::kRecoveryTicks,
              "a transfer locked past its time-out");
        checkInvariants();
    }

    void checkInvariants() {
        for (const std::string& write : port.takeWrites()) {
            trace(write.size() == port.writeLimit ? "  short write" : "  write", write);
            check(framesOrTheirStart(write, port.writeLimit), "a write that is no frame");
        }
        for (const std::string& line : log.lines) {
            trace("  log", line);
            if (test::startsAReRead(line)) quietPendingTicks_ = 0;
        }
        log.lines.clear();
        if (!log.unknown.empty()) check(false, "a log line of no known form: " + log.unknown.front());
        if (!displays.badTexts.empty()) check(false, "a display text: " + displays.badTexts.front());
        check(test::recordViolation(store));
        check(test::linkStateViolation(link.state()));
        const preset::PresetTransfer& t = session.transfer();
        check(t.WriteStep >= 0 && t.WriteStep <= index(PresetSetting::ID3), "write step out of range");
        check(t.EditorOpen || t.ReadPending || displays.keysEnabled,
              "main window keys off with nothing pending");
        check(!t.EditorOpen || !editor.locked() || transferPending(), "editor locked with nothing pending");
    }

    ByteReader& input_;
    std::vector<std::string> replies_;
    test::FakeEditorView view_;
    int depth_ = 0;
    int ticks_ = 0;
    int quietPendingTicks_ = 0;
    long readsSeen_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader input({data, size});
    Rig(input).run();
    return 0;
}
