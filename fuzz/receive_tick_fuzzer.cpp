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
#include "link/command_frame.h"
#include "link/link.h"
#include "preset/preset_editor.h"
#include "preset/preset_session.h"
#include "support/core_invariants.h"

namespace {

namespace link = tavrin::link;
namespace preset = tavrin::preset;
using preset::PresetSetting;
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

// Each queued read is one chunk the tick may see at once (at most 32 bytes of it).
class FuzzPort final : public link::Port {
public:
    link::OpenResult open(int) override {
        isOpen = !refuseOpen;
        return isOpen ? link::OpenResult{} : link::OpenResult{link::OpenError::NoSuchPort, 2};
    }
    void close() override { isOpen = false; }
    void purge() override { chunks_.clear(); }
    std::size_t bytesWaiting() override { return isOpen && !chunks_.empty() ? chunks_.front().size() : 0; }
    std::size_t readAvailable(std::span<std::uint8_t> dest) override {
        if (!isOpen || chunks_.empty()) return 0;
        std::string& chunk = chunks_.front();
        const std::size_t n = std::min(dest.size(), chunk.size());
        std::copy_n(chunk.begin(), n, dest.begin());
        chunk.erase(0, n);
        if (chunk.empty()) chunks_.pop_front();
        ++reads;
        return n;
    }
    std::size_t write(std::span<const std::uint8_t> bytes) override {
        // Every write is whole frames: "@0" + body + CR, one or several.
        check(!bytes.empty() && bytes.front() == '@' && bytes.back() == link::kCR,
              "a write that is no frame");
        const std::size_t written = isOpen ? std::min(bytes.size(), writeLimit) : 0;
        trace(written == bytes.size() ? "  write" : "  short write",
              {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
        return written;
    }

    void queue(std::string bytes) {
        trace("  queued", bytes);
        if (!bytes.empty()) chunks_.push_back(std::move(bytes));
    }

    bool isOpen = false;
    bool refuseOpen = false;
    std::size_t writeLimit = SIZE_MAX;
    long reads = 0;

private:
    std::deque<std::string> chunks_;
};

class CheckedLog final : public link::MessageLog {
public:
    void insertLine(std::string_view text) override {
        trace("  log", text);
        check(tavrin::test::isKnownLogLine(text), "a log line of no known form: " + std::string(text));
    }
    void clear() override {}
};

class CheckedDisplays final : public link::MainDisplays {
public:
    void setTrackText(std::string_view t) override { check(tavrin::test::isTrackText(t), "a track text"); }
    void setTimeText(std::string_view t) override { check(tavrin::test::isTimeText(t), "a time text"); }
    void setDispModeText(std::string_view) override {}
    void DisableKeyControls() override { keysEnabled = false; }
    void EnableKeyControls() override { keysEnabled = true; }
    bool keysEnabled = true;
};

class NoonClock final : public link::Clock {
public:
    link::TimeOfDay now() const override { return {12, 0, 0}; }
};

using S = PresetSetting;
constexpr std::array kLists = {S::PresetNo,    S::SampleRate,    S::BitRate,     S::FileFormat,
                               S::SSkipTime,   S::SSkipLevel,    S::AutoCueTime, S::AutoCueLevel,
                               S::AutoTrackTime, S::RemoteMode};
constexpr std::array kRadioGroups = {S::InputSelect, S::DateForm,   S::StereoMono, S::Algorithm, S::PreRec,
                                     S::AutoMark,    S::MTrack,     S::AutoTrack,  S::SeamlsPlay,
                                     S::SilentSkip,  S::AutoCue,    S::PlayMode,   S::EDLPlay};

int valueCount(PresetSetting s) {
    const auto& codes = preset::info(s).codes;
    return static_cast<int>(std::count_if(codes.begin(), codes.end(), [](const preset::Code& c) {
        return c.value != preset::kNoValue;
    }));
}

// The editor window as far as its controls' enabling and the lists' lengths go; showing it
// modally runs the steps that follow until it is ended.
class ModalView final : public preset::EditorView {
public:
    ModalView() {
        for (PresetSetting list : kLists) entries[list] = valueCount(list);
        entries[PresetSetting::BitRate] = 0;  // filled by the editor
        entries[PresetSetting::FileFormat] = 0;
    }

    void checkRadio(PresetSetting, int) override {}
    void setRadiosEnabled(bool) override {}
    void setListEntries(PresetSetting list, std::span<const std::string_view> e) override {
        entries[list] = static_cast<int>(e.size());
    }
    void selectListEntry(PresetSetting, int) override {}
    void setListEnabled(PresetSetting list, bool enabled) override { disabled[list] = !enabled; }
    bool isListEnabled(PresetSetting list) const override {
        return !disabled.count(list) || !disabled.at(list);
    }
    void setMenusEnabled(bool) override {}
    void setIdFieldsEnabled(bool) override {}
    void setIdText(PresetSetting id, std::string_view text) override { ids[id] = std::string(text); }
    std::string idText(PresetSetting id) const override { return ids.count(id) ? ids.at(id) : std::string(); }
    void setButtonsEnabled(bool enabled) override { buttonsEnabled = enabled; }
    bool isCloseKeyEnabled() const override { return buttonsEnabled; }
    void repaintNow() override {}
    void showModal() override {
        if (onShowModal) onShowModal();
    }
    void endModal() override { endRequested = true; }
    void showInvalidIdBox() override {}
    void showNotPresetFileBox() override {}
    void showFileError(std::string_view) override {}
    std::optional<std::string> askOpenPath() override { return std::nullopt; }
    std::optional<std::string> askSavePath() override { return std::nullopt; }

    std::map<PresetSetting, int> entries;
    std::map<PresetSetting, bool> disabled;
    std::map<PresetSetting, std::string> ids;
    bool buttonsEnabled = true;
    bool endRequested = false;
    std::function<void()> onShowModal;
};

// Real replies, so that the fuzzer reaches the transfers without having to find them.
std::vector<std::string> cannedReplies() {
    std::vector<std::string> out = {
        std::string(1, static_cast<char>(link::kACK)),
        std::string(1, static_cast<char>(link::kNAK)),
        std::string(1, static_cast<char>(link::kACK)) + link::commandFrame("STST"),
        link::commandFrame("PW01"), link::commandFrame("PW00"), link::commandFrame("DS01"),
        link::commandFrame("CDNC"), link::commandFrame("TR012"), link::commandFrame("TI0012345"),
        link::commandFrame("D1AB12CD"), link::commandFrame("D2XY0001"), link::commandFrame("D3ZZ9999"),
        link::commandFrame("D3ab cd"), link::commandFrame("?ST"), link::commandFrame(""),
    };
    for (std::string_view status : {"ST", "PL", "PP", "TS", "RP", "RE", "S+", "FF", "ED", "ER", "AB"})
        out.push_back(link::commandFrame("ST" + std::string(status)));
    for (std::string_view mode : {"RE", "TN", "TM", "AG", "ND", "TT", "RD", "TR"})
        out.push_back(link::commandFrame("TM" + std::string(mode)));
    for (const preset::SettingInfo& setting : preset::kSettings)
        for (const preset::Code& code : setting.codes) out.push_back(link::commandFrame(code.reply));
    return out;
}

class Rig {
public:
    explicit Rig(ByteReader& input) : input_(input), replies_(cannedReplies()) {
        link_.setTransferHooks(&session_);
        editor_.setView(&view_);
        view_.onShowModal = [this] { runModal(); };
        session_.ResetPresetRecord();
        link_.changePort(2);
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
            if (displays_.keysEnabled) session_.PresetGate();
            break;
        case KeyPress:
            if (displays_.keysEnabled)
                link_.sendKey(link::kKeyCommands[pickIndex(link::kKeyCommands.size())].key);
            break;
        case PortChange:
            port_.refuseOpen = input_.byte() % 4 == 0;
            link_.changePort(1 + input_.pick(8));
            break;
        case PortFault: portFault(); break;
        }
    }

    // What runs while the editor is shown: ticks and the editor's own controls only.
    void runModal() {
        trace("editor shown");
        editor_.FormShow();
        if (++depth_ > kDeepestModal) {
            --depth_;
            return;
        }
        while (!view_.endRequested && !input_.empty() && ticks_ < kTickBudget) {
            editorStep();
            checkInvariants();
        }
        view_.endRequested = false;
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
            if (!editor_.locked()) editorControl();
            break;
        case EPortFault: portFault(); break;
        }
    }

    void editorControl() {
        const int control = input_.pick(9);
        trace("  control " + std::to_string(control));
        switch (control) {
        case 0: editor_.radioClicked(kRadioGroups[pickIndex(kRadioGroups.size())], input_.pick(5) - 1); break;
        case 1: {
            const PresetSetting list = kLists[pickIndex(kLists.size())];
            if (view_.isListEnabled(list))
                editor_.listChanged(list, input_.pick(view_.entries[list] + 1) - 1);
            break;
        }
        case 2: {
            const PresetSetting id = settingAt(index(PresetSetting::ID1) + input_.pick(3));
            view_.ids[id] = input_.bytes(input_.pick(8));
            editor_.IDSetKeyClick(id);
            break;
        }
        case 3: editor_.DefaultKeyClick(); break;
        case 4: editor_.LoadfromTAVRINClick(); break;
        case 5: editor_.WritetoTAVRINClick(); break;
        case 6: editor_.CloseKeyClick(); break;
        case 7: editor_.EndPresetMenuClick(); break;
        case 8: editor_.Open1Click(); break;
        }
    }

    std::size_t pickIndex(std::size_t count) {
        return static_cast<std::size_t>(input_.pick(static_cast<int>(count)));
    }
    static PresetSetting settingAt(int i) { return preset::settingAt(i); }

    void readStep() {
        port_.queue(input_.bytes(input_.pick(48)));
        tick();
    }

    void replyStep(bool split) {
        const std::string& reply = replies_[pickIndex(replies_.size())];
        if (!split) {
            port_.queue(reply);
        } else {
            const std::size_t at = pickIndex(reply.size() + 1);
            port_.queue(reply.substr(0, at));
            tick();
            port_.queue(reply.substr(at));
        }
        tick();
    }

    void quietTicks() {
        for (int n = 1 + input_.byte(); n > 0 && ticks_ < kTickBudget; --n) tick();
    }

    void portFault() {
        port_.writeLimit = input_.byte() % 2 == 0 ? SIZE_MAX : pickIndex(8);
    }

    bool transferPending() const {
        const preset::PresetTransfer& t = session_.transfer();
        return t.ReadPending || t.SelectPending || t.DefaultPending || t.WriteRunning;
    }

    // A transfer that hears nothing from the recorder is ended by the recovery time-out. Ticks
    // nest: a read by the tick that showed the editor counts at the end of the first nested one.
    void tick() {
        ++ticks_;
        link_.RxTimerTimer();
        const bool heard = port_.reads != readsSeen_;
        readsSeen_ = port_.reads;
        quietPendingTicks_ = transferPending() && !heard ? quietPendingTicks_ + 1 : 0;
        check(quietPendingTicks_ <= preset::PresetSession::kRecoveryTicks,
              "a transfer locked past its time-out");
        checkInvariants();
    }

    void checkInvariants() {
        check(tavrin::test::recordViolation(store_));
        check(tavrin::test::linkStateViolation(link_.state()));
        const preset::PresetTransfer& t = session_.transfer();
        check(t.WriteStep >= 0 && t.WriteStep <= index(PresetSetting::ID3), "write step out of range");
        check(t.EditorOpen || t.ReadPending || displays_.keysEnabled,
              "main window keys off with nothing pending");
        check(!t.EditorOpen || !editor_.locked() || transferPending(), "editor locked with nothing pending");
    }

    ByteReader& input_;
    std::vector<std::string> replies_;
    FuzzPort port_;
    CheckedLog log_;
    CheckedDisplays displays_;
    NoonClock clock_;
    link::Link link_{port_, log_, displays_, clock_};
    preset::PresetStore store_;
    preset::PresetSession session_{link_, displays_, store_};
    preset::PresetEditor editor_{session_};
    ModalView view_;
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
