// The reply classifier on arbitrary lines. Besides not crashing it must answer as the code
// tables say: a setting reply carries a value whose reply code is at the start of the line,
// only the first 20 bytes count, and the two entry points agree.

#include <algorithm>
#include <cstring>

#include "fuzz_support.h"
#include "link/reply_kind.h"
#include "preset/setting_codes.h"

namespace {

using tavrin::link::ReplyKind;
using Group = ReplyKind::Group;
using tavrin::test::check;
namespace preset = tavrin::preset;

constexpr std::size_t kClassifiedLength = 20;

bool same(const ReplyKind& a, const ReplyKind& b) {
    return a.group == b.group && a.code == b.code && a.setting == b.setting && a.value == b.value &&
           a.id == b.id;
}

// Position p of the line; past its end (and past the 20 classified bytes) a zero.
char at(std::string_view line, std::size_t p) {
    return p < std::min(line.size(), kClassifiedLength) ? line[p] : '\0';
}

bool startsWithAt(std::string_view line, std::size_t p, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (at(line, p + i) != text[i]) return false;
    return true;
}

void checkSetting(std::string_view line, const ReplyKind& kind) {
    const preset::SettingInfo& setting = preset::info(kind.setting);
    if (setting.kind == preset::Kind::Id) {
        check(startsWithAt(line, 2, setting.query), "an ID reply without its D1, D2 or D3");
        for (std::size_t i = 0; i < kind.id.size(); ++i)
            check(kind.id[i] == at(line, 4 + i), "an ID reply that does not carry the line's characters");
        return;
    }
    const auto code = std::find_if(setting.codes.begin(), setting.codes.end(),
                                   [&](const preset::Code& c) { return c.value == kind.value; });
    check(code != setting.codes.end(), "a setting reply with a value outside its table");
    check(startsWithAt(line, 2, code->reply), "a setting reply whose code is not on the line");
}

void checkLinkCode(const ReplyKind& kind) {
    switch (kind.group) {
    case Group::Ack:
    case Group::Nak: check(false, "the classifier made an acknowledgement"); break;
    case Group::PowerMode:
    case Group::DoorSensor:
        check(kind.code[0] == '0' || kind.code[0] == '1', "a power or door code not 0 or 1");
        break;
    default: break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const ReplyKind kind = tavrin::link::classify(bytes);

    check(same(kind, tavrin::link::classify(line)), "the byte and text entry points disagree");
    check(same(kind, tavrin::link::classify(bytes.first(std::min(size, kClassifiedLength)))),
          "bytes past the twentieth changed the class");
    if (at(line, 1) != '0') check(kind.group == Group::Unknown, "a line without the fixed 0 was recognised");
    checkLinkCode(kind);
    if (kind.group == Group::Setting) checkSetting(line, kind);
    return 0;
}
