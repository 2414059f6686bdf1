#include "preset/preset_file.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "link/link.h"
#include "platform/port.h"
#include "preset/preset_editor.h"
#include "preset/preset_session.h"
#include "support/core_rig.h"
#include "support/fake_editor_view.h"

namespace tavrin::preset {
namespace {

using namespace protocol;

namespace fs = std::filesystem;
using S = PresetSetting;

// A preset as the recorder might hold it: most values away from their reset values, ID2
// never received (six spaces).
PresetStore knownPreset() {
    PresetStore store;
    store.reset();
    const std::pair<S, int> values[] = {
        {S::PresetNo, 1},      {S::InputSelect, 2},    {S::DateForm, 0},      {S::StereoMono, 1},
        {S::Algorithm, 2},     {S::BitRate, 11},       {S::SampleRate, 4},    {S::FileFormat, 1},
        {S::PreRec, 1},        {S::AutoMark, 0},       {S::MTrack, 1},        {S::AutoTrack, 1},
        {S::AutoTrackTime, 10}, {S::SeamlsPlay, 0},    {S::SilentSkip, 1},    {S::SSkipTime, 4},
        {S::SSkipLevel, 8},    {S::AutoCue, 0},        {S::AutoCueTime, 18},  {S::AutoCueLevel, 3},
        {S::PlayMode, 1},      {S::EDLPlay, 1},        {S::RemoteMode, 3}};
    for (auto [setting, value] : values) store.set(setting, value);
    store.setId(S::ID1, "AB12CD");
    store.setId(S::ID3, "ZZ9900");
    return store;
}

const std::string kKnownPresetFile =
    "TAVRIN Preset data file\n\r\n"
    "[Input Select]\r\n"      "@0INUB\r\r\n"
    "[Date Form]\r\n"         "@0DFMD\r\r\n"
    "[Stereo / Mono]\r\n"     "@0CHMO\r\r\n"
    "[Algorithm]\r\n"         "@0AFPM\r\r\n"
    "[Bit Rate]\r\n"          "@0BR384\r\r\n"
    "[Sampling Rate]\r\n"     "@0FS44\r\r\n"
    "[File Extension]\r\n"    "@0FTWA\r\r\n"
    "[Pre-Record]\r\n"        "@0PR00\r\r\n"
    "[Auto Mark]\r\n"         "@0AM01\r\r\n"
    "[Manual Track]\r\n"      "@0MT00\r\r\n"
    "[Auto Track]\r\n"        "@0AK00\r\r\n"
    "[Auto Track Time]\r\n"   "@0AT2400\r\r\n"
    "[Seamless Play]\r\n"     "@0CP01\r\r\n"
    "[Silent Skip]\r\n"       "@0SS00\r\r\n"
    "[Silent Skip Time]\r\n"  "@0SC05\r\r\n"
    "[Silent Skip Level]\r\n" "@0SL60\r\r\n"
    "[Auto CUE]\r\n"          "@0AC01\r\r\n"
    "[Auto CUE Time]\r\n"     "@0CT95\r\r\n"
    "[Auto CUE level]\r\n"    "@0CL35\r\r\n"
    "[Play Mode]\r\n"         "@0PMAR\r\r\n"
    "[EDL play]\r\n"          "@0EP00\r\r\n"
    "[Remote Mode]\r\n"       "@0RCMT\r\r\n"
    "[BWF ID1]\r\n"           "@0D1AB12CD\r\r\n"
    "[BWF ID2]\r\n"           "@0D2      \r\r\n"
    "[BWF ID3]\r\n"           "@0D3ZZ9900\r\r\n";

// A preset that differs from knownPreset() in every setting, all of them known.
PresetStore otherPreset() {
    PresetStore store;
    store.reset();
    for (int i = 0; i < index(S::ID1); ++i) store.set(settingAt(i), 0);
    store.set(S::InputSelect, 1);
    store.set(S::DateForm, 1);
    store.set(S::Algorithm, 0);
    store.set(S::BitRate, 3);
    store.set(S::SampleRate, 1);
    store.set(S::PreRec, 0);
    store.set(S::AutoMark, 1);
    store.set(S::SeamlsPlay, 1);
    store.set(S::AutoCue, 1);
    store.set(S::EDLPlay, 0);
    store.set(S::PlayMode, 3);
    store.setId(S::ID1, "OLD111");
    store.setId(S::ID2, "OLD222");
    store.setId(S::ID3, "OLD333");
    return store;
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

#ifndef _WIN32
// Runs body in a forked child and returns its exit status, -1 if it did not exit.
int inChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

// What the system says when a file, or the folder it would go in, is not there. Windows makes
// the temporary file first, and GetTempFileName calls a missing folder an invalid name.
#ifdef _WIN32
constexpr int kNoSuchFile = ERROR_FILE_NOT_FOUND;
constexpr int kNoSuchFolder = ERROR_DIRECTORY;
#else
constexpr int kNoSuchFile = ENOENT;
constexpr int kNoSuchFolder = ENOENT;
#endif

bool mentions(const std::string& message, int systemCode) {
    return message.find(platform::systemErrorText(systemCode)) != std::string::npos;
}

// ---------------------------------------------------------------------------------------
// The text

TEST(PresetFileText, KnownPresetGivesTheFileByteForByte) {
    EXPECT_EQ(presetFileText(knownPreset()), kKnownPresetFile);
}

TEST(PresetFileText, HasFiftyOneLinesEachEndingCrLf) {
    const std::string text = presetFileText(knownPreset());
    std::size_t lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, 51u);
    EXPECT_TRUE(text.ends_with("\r\n"));
}

TEST(PresetFileText, ResetRecordSavesResetValuesWhateverTheFlags) {
    PresetStore store;
    store.reset();
    const std::string text = presetFileText(store);
    for (std::string_view line : {"@0INUB\r\r\n", "@0AFM3\r\r\n", "@0BR128\r\r\n", "@0FS48\r\r\n", "@0FTMG\r\r\n",
                                  "@0PR00\r\r\n", "@0D1      \r\r\n", "@0D3      \r\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(PresetFileText, PresetNumberIsNotSaved) {
    PresetStore first = knownPreset();
    PresetStore second = knownPreset();
    second.set(S::PresetNo, 2);
    EXPECT_EQ(presetFileText(first), presetFileText(second));
    EXPECT_EQ(presetFileText(first).find("@0PS"), std::string::npos);
}

// ---------------------------------------------------------------------------------------
// Loading

TEST(PresetFileLoad, SavedFileRestoresEverySettingAndFlag) {
    const PresetStore saved = knownPreset();
    PresetStore store = otherPreset();
    store.set(S::PresetNo, 2);

    EXPECT_TRUE(loadPresetText(store, presetFileText(saved)).anyFound);

    EXPECT_EQ(store.get(S::PresetNo), 2) << "the file carries no preset number";
    EXPECT_TRUE(store.isKnown(S::PresetNo));
    for (int i = index(S::InputSelect); i <= index(S::RemoteMode); ++i) {
        const S s = settingAt(i);
        EXPECT_EQ(store.get(s), saved.get(s)) << info(s).name;
        EXPECT_EQ(store.isKnown(s), s != S::SampleRate) << info(s).name;
    }
    EXPECT_EQ(store.id(S::ID1), "AB12CD");
    EXPECT_EQ(store.id(S::ID3), "ZZ9900");
    EXPECT_TRUE(store.isKnown(S::ID1));
    EXPECT_TRUE(store.isKnown(S::ID3));
    EXPECT_EQ(store.id(S::ID2), "OLD222") << "six spaces are no valid ID";
    EXPECT_FALSE(store.isKnown(S::ID2));
}

struct Expected {
    S setting;
    int value;
};

struct LoadCase {
    const char* name;
    std::string text;
    std::vector<Expected> known;  // every other setting 1 to 25 ends up unknown and unchanged
    bool anythingKnown;
    std::vector<Expected> unmarked = {};  // stored without a flag (the sample rate)
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

std::string withoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

std::string crLfLineEnds(const std::string& text) {
    std::string converted;
    for (char c : withoutCarriageReturns(text)) converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return converted;
}

// The value lines of the known preset in reverse order, no headers, other text between.
std::string reorderedWithoutHeaders() {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = kKnownPresetFile.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(kKnownPresetFile.substr(start, end - start));
    std::string text = "# edited by hand\n";
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (line->starts_with("@0")) text += "note " + *line + " more\n";
    return text;
}

std::vector<Expected> knownPresetFlagged() {
    const PresetStore saved = knownPreset();
    std::vector<Expected> all;
    for (int i = index(S::InputSelect); i <= index(S::RemoteMode); ++i)
        if (settingAt(i) != S::SampleRate) all.push_back({settingAt(i), saved.get(settingAt(i))});
    return all;
}

class LoadCases : public testing::TestWithParam<LoadCase> {};

TEST_P(LoadCases, StoresExactlyTheFramesFound) {
    const LoadCase& c = GetParam();
    const PresetStore before = otherPreset();
    PresetStore store = before;

    EXPECT_EQ(loadPresetText(store, c.text).anyFound, c.anythingKnown);

    for (int i = index(S::InputSelect); i <= index(S::RemoteMode); ++i) {
        const S s = settingAt(i);
        auto known = std::find_if(c.known.begin(), c.known.end(), [s](const Expected& e) { return e.setting == s; });
        auto unmarked =
            std::find_if(c.unmarked.begin(), c.unmarked.end(), [s](const Expected& e) { return e.setting == s; });
        EXPECT_EQ(store.isKnown(s), known != c.known.end()) << info(s).name;
        const int expected = known != c.known.end() ? known->value
                             : unmarked != c.unmarked.end() ? unmarked->value
                                                              : before.get(s);
        EXPECT_EQ(store.get(s), expected) << info(s).name;
    }
    for (S id : {S::ID1, S::ID2, S::ID3}) {
        auto known = std::find_if(c.known.begin(), c.known.end(), [id](const Expected& e) { return e.setting == id; });
        EXPECT_EQ(store.isKnown(id), known != c.known.end()) << info(id).name;
    }
    EXPECT_EQ(store.get(S::PresetNo), before.get(S::PresetNo));
}

std::vector<Expected> withIds(std::vector<Expected> settings) {
    settings.push_back({S::ID1, 0});
    settings.push_back({S::ID3, 0});
    return settings;
}

INSTANTIATE_TEST_SUITE_P(
    PresetFileLoad, LoadCases,
    testing::Values(
        LoadCase{"ReorderedLinesWithoutHeaders", reorderedWithoutHeaders(), withIds(knownPresetFlagged()), true,
                 {{S::SampleRate, 4}}},
        LoadCase{"UnbalancedWinsOverBalancedAfterIt", "@0INUB\r@0INBA\r", {{S::InputSelect, 2}}, true},
        LoadCase{"UnbalancedWinsOverBalancedBeforeIt", "@0INBA\r@0INUB\r", {{S::InputSelect, 2}}, true},
        LoadCase{"DigitalWhenAlone", "x@0INDI\ry", {{S::InputSelect, 0}}, true},
        LoadCase{"OnlySampleRateIsStoredButNotAPresetFile", "@0FS44\r", {}, false, {{S::SampleRate, 4}}},
        // A text tool or version control has changed the line ends: each frame is then followed by
        // LF alone, or by CR LF with the frame's own CR gone.
        LoadCase{"LineEndsConvertedToLineFeeds", withoutCarriageReturns(kKnownPresetFile),
                 withIds(knownPresetFlagged()), true, {{S::SampleRate, 4}}},
        LoadCase{"LineEndsConvertedToCrLf", crLfLineEnds(kKnownPresetFile), withIds(knownPresetFlagged()), true,
                 {{S::SampleRate, 4}}},
        LoadCase{"OnWinsOverOff", "@0PR01\r@0PR00\r@0EP01\r", {{S::PreRec, 1}, {S::EDLPlay, 0}}, true},
        LoadCase{"PcmWinsOverMp3", "@0AFM3\r@0AFPM\r", {{S::Algorithm, 2}}, true},
        LoadCase{"LowestBitRateWins", "@0BR384\r@0BR032\r", {{S::BitRate, 0}}, true},
        LoadCase{"LowerCaseFrameIsNoFrame", "@0inub\r@0Pr00\r", {}, false},
        LoadCase{"FrameWithASpaceIsNoFrame", "@0 INUB\r@0INUB \r", {}, false},
        LoadCase{"ReplyOnlyCodesAreNotLoaded", "@0INUN\r@0RCPW\r", {}, false},
        LoadCase{"TextAfterAZeroByteIsIgnored", std::string("@0INBA\r\0@0INUB\r@0D1ABCDEF", 25), {{S::InputSelect, 1}},
                 true},
        LoadCase{"InvalidIdIsDroppedSilently", "@0D1ab12cd\r@0D2AB 2CD\r", {}, false},
        LoadCase{"FirstIdOccurrenceDecidesEvenWhenInvalid", "@0D1abcdef\r@0D1ABCDEF\r", {}, false},
        LoadCase{"IdCutShortByTheEndOfTheText", "@0D3AB12", {}, false},
        LoadCase{"IdNeedsNoCarriageReturn", "@0D2QWERTY", {{S::ID2, 0}}, true},
        LoadCase{"IdLongerThanSixKeepsTheFirstSix", "@0D2QWERTYUIOP", {{S::ID2, 0}}, true},
        LoadCase{"EmptyText", "", {}, false},
        LoadCase{"BinaryGarbage", std::string("\xff\xfe@\x01@0\r\x80\x7f@0IN\r", 14), {}, false}),
    [](const testing::TestParamInfo<LoadCase>& row) { return std::string(row.param.name); });

TEST(PresetFileLoad, IdTakesTheSixCharactersAfterItsFirstOccurrence) {
    PresetStore store = otherPreset();
    loadPresetText(store, "@0D2QWERTYUIOP @0D2AAAAAA");
    EXPECT_EQ(store.id(S::ID2), "QWERTY");
}

TEST(PresetFileLoad, SampleRateTakesTheFileValueButStaysUnknown) {
    PresetStore store = otherPreset();
    loadPresetText(store, "@0FS16\r@0FS44\r");
    EXPECT_EQ(store.get(S::SampleRate), 0);
    EXPECT_FALSE(store.isKnown(S::SampleRate));
}

// ---------------------------------------------------------------------------------------
// Files

// A fresh folder of the test's own, readable by everyone, removed afterwards.
class TempFolderTest : public testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        for (int tries = 0; tries < 100 && dir.empty(); ++tries) {
            const fs::path candidate =
                fs::temp_directory_path() / ("tavrin-preset-file-" + std::to_string(random()));
            if (fs::create_directory(candidate)) dir = candidate;
        }
        ASSERT_FALSE(dir.empty());
        fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
        target = dir / "preset.txt";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        // Windows deletes no read-only file.
        fs::permissions(target, fs::perms::owner_write, fs::perm_options::add, ignored);
        fs::remove_all(dir, ignored);
    }

    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
    fs::path target;
    const std::string oldFile = "an older preset file that must survive\r\n";
};

using PresetFileIo = TempFolderTest;

TEST_F(PresetFileIo, SaveWritesTheTextAndLeavesNoOtherFile) {
    const FileResult result = writePresetFile(target.string(), kKnownPresetFile);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(readBytes(target), kKnownPresetFile);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"preset.txt"});
}

TEST_F(PresetFileIo, SaveReplacesAnExistingFile) {
    writeBytes(target, oldFile);
    ASSERT_TRUE(writePresetFile(target.string(), kKnownPresetFile).ok);
    EXPECT_EQ(readBytes(target), kKnownPresetFile);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"preset.txt"});
}

TEST_F(PresetFileIo, SaveThenReadGivesTheSameBytes) {
    ASSERT_TRUE(writePresetFile(target.string(), kKnownPresetFile).ok);
    std::string text = "stale";
    const FileResult result = readPresetFile(target.string(), text);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(text, kKnownPresetFile);
}

#ifndef _WIN32
// Modes and symbolic links as POSIX has them.
TEST_F(PresetFileIo, NewFileIsReadableByAllLessTheUmask) {
    const mode_t old = ::umask(027);
    ASSERT_TRUE(writePresetFile(target.string(), kKnownPresetFile).ok);
    ::umask(old);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(PresetFileIo, ReplacedFileKeepsItsMode) {
    writeBytes(target, oldFile);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(writePresetFile(target.string(), kKnownPresetFile).ok);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::mask, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(PresetFileIo, SaveThroughASymbolicLinkReplacesTheFileItNames) {
    writeBytes(dir / "real.txt", oldFile);
    fs::create_symlink("real.txt", target);
    ASSERT_TRUE(writePresetFile(target.string(), kKnownPresetFile).ok);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(target)));
    EXPECT_EQ(readBytes(dir / "real.txt"), kKnownPresetFile);
}

TEST_F(PresetFileIo, SaveThroughADanglingLinkCreatesTheFileItNames) {
    fs::create_directory(dir / "sub");
    fs::create_symlink("sub/real.txt", target);
    ASSERT_TRUE(writePresetFile(target.string(), kKnownPresetFile).ok);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(target)));
    EXPECT_EQ(readBytes(dir / "sub" / "real.txt"), kKnownPresetFile);
}
#endif

// A plain write would be refused; so is the replacement, which only the folder would allow.
TEST_F(PresetFileIo, SaveOverAReadOnlyFileIsRefusedAndKeepsIt) {
    writeBytes(target, oldFile);
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
    const FileResult result = writePresetFile(target.string(), kKnownPresetFile);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("read-only"), std::string::npos) << result.error;
    EXPECT_EQ(readBytes(target), oldFile);
}

TEST_F(PresetFileIo, SaveIntoAMissingFolderSaysWhy) {
    const FileResult result = writePresetFile((dir / "gone" / "preset.txt").string(), kKnownPresetFile);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(mentions(result.error, kNoSuchFolder)) << result.error;
    EXPECT_NE(result.error.find("preset.txt"), std::string::npos) << result.error;
}

TEST_F(PresetFileIo, SaveOverAFolderFailsAndRemovesItsTemporaryFile) {
    fs::create_directory(target);
    writeBytes(target / "inside", oldFile);
    const FileResult result = writePresetFile(target.string(), kKnownPresetFile);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("replacing the old file failed"), std::string::npos) << result.error;
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"preset.txt"});
    EXPECT_EQ(readBytes(target / "inside"), oldFile);
}

#ifdef _WIN32
// Another program (an editor, a virus scanner) holds the file open and shares it with no one:
// the replacement is refused, and the old file stays as it was.
TEST_F(PresetFileIo, SaveOverAFileHeldOpenWithoutSharingKeepsIt) {
    writeBytes(target, oldFile);
    const HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const FileResult result = writePresetFile(target.string(), kKnownPresetFile);
    CloseHandle(held);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("replacing the old file failed"), std::string::npos) << result.error;
    EXPECT_TRUE(mentions(result.error, ERROR_ACCESS_DENIED)) << result.error;
    EXPECT_EQ(readBytes(target), oldFile);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"preset.txt"});
}
#else
// The folder is the test's own; as root the child drops to "nobody" to be refused.
TEST_F(PresetFileIo, UnwritableFolderLeavesTheOldFileAlone) {
    writeBytes(target, oldFile);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    fs::permissions(dir, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const int status = inChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 2;
        const FileResult result = writePresetFile(target.string(), kKnownPresetFile);
        return !result.ok && mentions(result.error, EACCES) ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << "the save must fail with a message naming the cause";
    EXPECT_EQ(readBytes(target), oldFile);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"preset.txt"});
}

TEST_F(PresetFileIo, SaveThatHitsTheFileSizeLimitKeepsTheOldFile) {
    writeBytes(target, oldFile);
    const int status = inChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
        const FileResult result = writePresetFile(target.string(), kKnownPresetFile);
        return !result.ok && mentions(result.error, EFBIG) ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << "the full disk must be reported";
    EXPECT_EQ(readBytes(target), oldFile);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"preset.txt"});
}

TEST_F(PresetFileIo, CrashBetweenWriteAndRenameKeepsTheOldFile) {
    writeBytes(target, oldFile);
    const int status = inChild([&] {
        platform::ReplacingFileWriter writer(target.string());
        if (!writer.create().ok || !writer.write(kKnownPresetFile).ok) return 1;
        ::_exit(0);  // the program dies before commit
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(readBytes(target), oldFile);
}
#endif

TEST_F(PresetFileIo, WriterDroppedBeforeCommitRemovesItsTemporaryFile) {
    writeBytes(target, oldFile);
    {
        platform::ReplacingFileWriter writer(target.string());
        ASSERT_TRUE(writer.create().ok);
        ASSERT_TRUE(writer.write(kKnownPresetFile).ok);
        EXPECT_EQ(folderEntries().size(), 2u);
    }
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"preset.txt"});
    EXPECT_EQ(readBytes(target), oldFile);
}

TEST_F(PresetFileIo, ReadingAFileThatVanishedIsAnError) {
    writeBytes(target, kKnownPresetFile);
    fs::remove(target);
    std::string text = "stale";
    const FileResult result = readPresetFile(target.string(), text);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(mentions(result.error, kNoSuchFile)) << result.error;
    EXPECT_TRUE(text.empty());
}

TEST_F(PresetFileIo, OversizedFileIsRefused) {
    writeBytes(target, std::string(kMaxPresetFileSize + 1, 'x'));
    std::string text;
    const FileResult result = readPresetFile(target.string(), text);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("larger than"), std::string::npos) << result.error;
    EXPECT_TRUE(text.empty());
}

TEST_F(PresetFileIo, FileOfTheLargestSizeIsRead) {
    writeBytes(target, std::string(kMaxPresetFileSize - 7, 'x') + "@0INBA\r");
    std::string text;
    ASSERT_TRUE(readPresetFile(target.string(), text).ok);
    EXPECT_EQ(text.size(), kMaxPresetFileSize);
}

TEST_F(PresetFileIo, BinaryFileIsReadUpToItsFirstZeroByte) {
    std::string bytes;
    for (int b = 255; b >= 0; --b) bytes += static_cast<char>(b);
    bytes += "@0INBA\r";
    writeBytes(target, bytes);
    std::string text;
    ASSERT_TRUE(readPresetFile(target.string(), text).ok);
    EXPECT_EQ(text, bytes.substr(0, 255));
    PresetStore store = otherPreset();
    EXPECT_FALSE(loadPresetText(store, text).anyFound);
}

#ifndef _WIN32
TEST_F(PresetFileIo, FifoIsRefusedWithoutWaitingForAWriter) {
    ASSERT_EQ(::mkfifo(target.c_str(), 0644), 0);
    std::string text;
    const FileResult result = readPresetFile(target.string(), text);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("not a regular file"), std::string::npos) << result.error;
}

#endif

TEST_F(PresetFileIo, FolderIsRefused) {
    std::string text;
    EXPECT_FALSE(readPresetFile(dir.string(), text).ok);
}

#ifndef _WIN32

// Switches to de_DE.UTF-8; when it is not installed, builds it into the scratch folder if
// the locale sources are there.
bool useGermanLocale(const fs::path& scratch) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return true;
    if (!fs::exists("/usr/share/i18n/locales/de_DE")) return false;
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + (scratch / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    ::setenv("LOCPATH", scratch.c_str(), 1);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

// Nothing in the file's bytes depends on the locale.
TEST_F(PresetFileIo, SaveAndLoadUnderAGermanLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    fs::create_directory(dir / "locale");
    if (!useGermanLocale(dir / "locale")) GTEST_SKIP() << "no German locale available";
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
    ASSERT_TRUE(writePresetFile(target.string(), presetFileText(knownPreset())).ok);
    std::string text;
    ASSERT_TRUE(readPresetFile(target.string(), text).ok);
    PresetStore store = otherPreset();
    const bool loaded = loadPresetText(store, text).anyFound;
    std::setlocale(LC_ALL, previous.c_str());
    ::unsetenv("LOCPATH");

    EXPECT_EQ(text, kKnownPresetFile);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(presetFileText(store), kKnownPresetFile.substr(0, kKnownPresetFile.find("[BWF ID2]")) +
                                         "[BWF ID2]\r\n@0D2OLD222\r\r\n[BWF ID3]\r\n@0D3ZZ9900\r\r\n");
}
#endif

// ---------------------------------------------------------------------------------------
// The editor's File menu

class PresetEditorFiles : public TempFolderTest, public test::CoreRig<> {
protected:
    PresetEditorFiles() {
        port.isOpen = true;
        session.ResetPresetRecord();
        core.attachEditorView(view);
    }
    void useStore(const PresetStore& preset) { session.store() = preset; }
    PresetStore& store() { return session.store(); }

    test::FakeEditorView view;
};

TEST_F(PresetEditorFiles, SaveWritesTheRecordAndKeepsThePath) {
    useStore(knownPreset());
    view.savePath = target.string();
    editor.SaveasText1Click();
    EXPECT_EQ(readBytes(target), kKnownPresetFile);
    EXPECT_EQ(editor.presetFilePath(), target.string());
    EXPECT_TRUE(view.fileErrors.empty());
    EXPECT_TRUE(port.takeWritten().empty()) << "saving sends nothing";
}

TEST_F(PresetEditorFiles, SaveTakesInAValidIdTypedButNotSet) {
    useStore(knownPreset());
    view.typeId(PresetSetting::ID2, "NEW222");
    view.savePath = target.string();
    editor.SaveasText1Click();
    EXPECT_NE(readBytes(target).find("[BWF ID2]\r\n@0D2NEW222\r\r\n"), std::string::npos);
    EXPECT_EQ(store().id(PresetSetting::ID2), "NEW222");
    EXPECT_TRUE(store().isKnown(PresetSetting::ID2));
}

TEST_F(PresetEditorFiles, SaveWithALowerCaseIdKeepsTheStoredIdWithoutAMessage) {
    useStore(knownPreset());
    view.typeId(PresetSetting::ID1, "ab12cd");
    view.savePath = target.string();
    view.takeJournal();
    editor.SaveasText1Click();
    EXPECT_EQ(readBytes(target), kKnownPresetFile);
    EXPECT_EQ(store().id(PresetSetting::ID1), "AB12CD");
    EXPECT_EQ(view.invalidIdBoxes, 0);
    EXPECT_EQ(view.takeJournal(), std::vector<std::string>{"askSavePath"});
}

TEST_F(PresetEditorFiles, CancelledSaveWritesNothing) {
    useStore(knownPreset());
    view.typeId(PresetSetting::ID2, "NEW222");
    editor.SaveasText1Click();
    EXPECT_EQ(view.saveDialogs, 1);
    EXPECT_TRUE(folderEntries().empty());
    EXPECT_TRUE(editor.presetFilePath().empty());
    EXPECT_FALSE(store().isKnown(PresetSetting::ID2)) << "the typed ID is not taken in";
}

TEST_F(PresetEditorFiles, FailedSaveShowsWhyAndKeepsTheTypedId) {
    useStore(knownPreset());
    view.typeId(PresetSetting::ID2, "NEW222");
    view.savePath = (dir / "gone" / "preset.txt").string();
    editor.SaveasText1Click();
    ASSERT_EQ(view.fileErrors.size(), 1u);
    EXPECT_TRUE(mentions(view.fileErrors[0], kNoSuchFolder)) << view.fileErrors[0];
    EXPECT_EQ(store().id(PresetSetting::ID2), "NEW222");
}

TEST_F(PresetEditorFiles, OpenLoadsTheFileAndRefreshesTheEditor) {
    writeBytes(target, kKnownPresetFile);
    PresetStore before = otherPreset();
    before.set(PresetSetting::PresetNo, 2);
    useStore(before);
    view.openPath = target.string();
    editor.Open1Click();

    EXPECT_EQ(editor.presetFilePath(), target.string());
    EXPECT_EQ(view.notPresetFileBoxes, 0);
    EXPECT_TRUE(view.fileErrors.empty());
    EXPECT_EQ(view.checked(PresetSetting::InputSelect), 2);
    EXPECT_EQ(view.checked(PresetSetting::PlayMode), 1);
    EXPECT_EQ(view.selected(PresetSetting::RemoteMode), 3);
    EXPECT_EQ(view.selected(PresetSetting::PresetNo), 2) << "the preset number stays";
    EXPECT_EQ(view.idText(PresetSetting::ID1), "AB12CD");
    EXPECT_EQ(view.idText(PresetSetting::ID2), "") << "six spaces are no valid ID";
    const std::size_t ids = kKnownPresetFile.find("[BWF ID1]");
    EXPECT_EQ(presetFileText(store()).substr(0, ids), kKnownPresetFile.substr(0, ids));
    EXPECT_TRUE(port.takeWritten().empty()) << "loading sends nothing";
}

TEST_F(PresetEditorFiles, SavedPresetChangedAndOpenedAgainIsTheSame) {
    useStore(knownPreset());
    view.savePath = view.openPath = target.string();
    editor.SaveasText1Click();
    store().set(PresetSetting::InputSelect, 0);
    store().set(PresetSetting::BitRate, 0);
    store().setId(PresetSetting::ID3, "CHANGE");
    editor.Open1Click();
    EXPECT_EQ(presetFileText(store()), kKnownPresetFile);
}

// Known flags, values and IDs, for telling a record that changed from one that did not.
std::vector<std::string> everything(const PresetStore& store) {
    std::vector<std::string> all{presetFileText(store)};
    for (int i = 0; i < kSettingCount; ++i) all.push_back(store.isKnown(settingAt(i)) ? "known" : "unknown");
    return all;
}

// An open that does not load leaves the editor as it was: not a preset file, a file that is
// gone, a file too large.
TEST_F(PresetEditorFiles, OpenThatFailsChangesNothing) {
    const auto failingOpens = {std::pair<std::string, std::string>{"only-a-rate.txt", "@0FS44\r"},
                               {"vanished.txt", ""},
                               {"oversized.txt", std::string(kMaxPresetFileSize, 'x') + "@0INBA\r"}};
    for (const auto& [name, bytes] : failingOpens) {
        SCOPED_TRACE(name);
        if (!bytes.empty()) writeBytes(dir / name, bytes);
        useStore(otherPreset());
        const std::vector<std::string> before = everything(store());
        view.openPath = (dir / name).string();
        view.takeJournal();
        editor.Open1Click();
        EXPECT_EQ(everything(store()), before);
        EXPECT_EQ(view.takeJournal().size(), 2u) << "the dialog and one box, no refresh";
    }
    EXPECT_EQ(view.notPresetFileBoxes, 1);
    ASSERT_EQ(view.fileErrors.size(), 2u);
    EXPECT_TRUE(mentions(view.fileErrors[0], kNoSuchFile)) << view.fileErrors[0];
}

TEST_F(PresetEditorFiles, OpenOfAFileWithSomeSettingsNamesTheOnesMissing) {
    writeBytes(target, "@0PMAL\n@0INBA\r\n@0D1ABC123\r");
    useStore(otherPreset());
    view.openPath = target.string();
    editor.Open1Click();
    EXPECT_EQ(store().get(PresetSetting::PlayMode), 2);
    EXPECT_EQ(store().get(PresetSetting::InputSelect), 1);
    EXPECT_EQ(store().id(PresetSetting::ID1), "ABC123");
    ASSERT_EQ(view.fileWarnings.size(), 1u);
    EXPECT_EQ(view.fileWarnings[0],
              "The file sets no value for: Date Form, Stereo / Mono, Algorithm, Bit Rate, Sampling Rate, "
              "File Extension, Pre-Record, Auto Mark, Manual Track, Auto Track, Auto Track Time, Seamless Play, "
              "Silent Skip, Silent Skip Time, Silent Skip Level, Auto Cue, Auto Cue Time, Auto Cue Level, "
              "EDL Play, Remote Mode, BWF ID2, BWF ID3");
}

TEST_F(PresetEditorFiles, CancelledOpenChangesNothing) {
    useStore(otherPreset());
    editor.Open1Click();
    EXPECT_EQ(view.openDialogs, 1);
    EXPECT_TRUE(store().isKnown(PresetSetting::InputSelect));
    EXPECT_TRUE(editor.presetFilePath().empty());
}

}  // namespace
}  // namespace tavrin::preset
