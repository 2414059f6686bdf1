#include <algorithm>
#include <optional>

#include "protocol/reply.h"
#include "protocol/status.h"

namespace tavrin::protocol {

namespace {

using Group = ReplyKind::Group;

// Only the first 20 bytes of a line are looked at.
constexpr std::size_t kClassifiedLength = 20;
constexpr std::size_t kCodeStart = 2;  // "@" and the fixed "0" come first

// The classifier's private copy of a line; positions past its end read as zero, so a
// comparison that runs past the end never matches.
class LineCopy {
public:
    explicit LineCopy(std::span<const std::uint8_t> line) {
        std::copy_n(line.begin(), std::min(line.size(), kClassifiedLength), bytes_.begin());
    }
    char at(std::size_t position) const {
        return position < bytes_.size() ? static_cast<char>(bytes_[position]) : '\0';
    }
    bool matches(std::size_t position, std::string_view text) const {
        for (std::size_t i = 0; i < text.size(); ++i)
            if (at(position + i) != text[i]) return false;
        return true;
    }
    bool digits(std::size_t position, std::size_t count) const {
        for (std::size_t i = 0; i < count; ++i)
            if (at(position + i) < '0' || at(position + i) > '9') return false;
        return true;
    }

private:
    std::array<std::uint8_t, kClassifiedLength> bytes_{};
};

// The recorder's own replies: a lead at position 2, then either a number of digits or one of
// the alternatives. The two-character code a reply carries is its alternative.
struct LinkReplyTest {
    Group group;
    std::string_view lead;
    std::size_t digits;  // > 0: this many decimal digits follow the lead
    std::span<const std::string_view> alternatives;
};

template <std::size_t N, class Report>
constexpr std::array<std::string_view, N> codesOf(const std::array<Report, N>& reports) {
    std::array<std::string_view, N> codes{};
    for (std::size_t i = 0; i < N; ++i) codes[i] = reports[i].code;
    return codes;
}

constexpr std::string_view kOffOn[] = {"0", "1"};
constexpr std::string_view kCardCodes[] = {"NC", "RE", "CI", "CE", "99", "FL", "BC"};
constexpr auto kStatusCodes = codesOf(kStatusReports);
constexpr auto kDisplayModeCodes = codesOf(kDisplayModes);

constexpr LinkReplyTest kLinkReplyTests[] = {
    {Group::PowerMode, "PW0", 0, kOffOn},
    {Group::DoorSensor, "DS0", 0, kOffOn},
    {Group::TrackNumber, "TR", 3, {}},
    {Group::Time, "TI", 7, {}},
    {Group::Card, "CD", 0, kCardCodes},
    {Group::Status, "ST", 0, kStatusCodes},
    {Group::DisplayMode, "TM", 0, kDisplayModeCodes},
};

std::optional<ReplyKind> linkReply(const LineCopy& line, const LinkReplyTest& test) {
    if (!line.matches(kCodeStart, test.lead)) return std::nullopt;
    const std::size_t tail = kCodeStart + test.lead.size();
    ReplyKind kind;
    kind.group = test.group;
    if (test.digits > 0) return line.digits(tail, test.digits) ? std::optional(kind) : std::nullopt;
    for (std::string_view alternative : test.alternatives) {
        if (!line.matches(tail, alternative)) continue;
        std::copy(alternative.begin(), alternative.end(), kind.code.begin());
        return kind;
    }
    return std::nullopt;  // the lead matched but no alternative did: the next test decides
}

// The preset settings, in the order of their queries, each recognised by its reply codes.
std::optional<ReplyKind> settingReply(const LineCopy& line, const SettingInfo& setting) {
    ReplyKind kind;
    kind.group = Group::Setting;
    kind.setting = setting.setting;
    if (setting.kind == Kind::Id) {
        // "D1", "D2" or "D3" and whatever six characters follow; checking them is not ours.
        if (!line.matches(kCodeStart, setting.query)) return std::nullopt;
        const std::size_t first = kCodeStart + setting.query.size();
        for (std::size_t i = 0; i < kind.id.size(); ++i) kind.id[i] = line.at(first + i);
        return kind;
    }
    for (const Code& code : setting.codes) {
        if (code.reply.empty() || !line.matches(kCodeStart, code.reply)) continue;
        kind.value = code.value;
        return kind;
    }
    return std::nullopt;
}

}  // namespace

ReplyKind classify(std::span<const std::uint8_t> line) {
    const LineCopy copy(line);
    if (copy.at(1) != '0') return {};
    for (const LinkReplyTest& test : kLinkReplyTests)
        if (auto kind = linkReply(copy, test)) return *kind;
    for (const SettingInfo& setting : kSettings)
        if (auto kind = settingReply(copy, setting)) return *kind;
    return {};
}

ReplyKind classify(std::string_view line) {
    return classify(std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()));
}

}  // namespace tavrin::protocol
