// The reply classifier on arbitrary lines. Besides not crashing it must answer as the code
// tables say: a setting reply carries a value whose reply code is at the start of the line,
// only the first 20 bytes count, and the two entry points agree. The same bytes, read as a
// stream in reads of changing size, go through the line assembly: every line it hands out is
// an "@" and what follows up to a CR, and an unfinished line never outgrows the buffer.

#include <algorithm>
#include <cstring>

#include "fuzz_support.h"
#include "protocol/frames.h"
#include "protocol/line_assembler.h"
#include "protocol/reply.h"
#include "protocol/setting_codes.h"

namespace {

using tavrin::protocol::ReplyKind;
using Group = ReplyKind::Group;
using tavrin::protocol::LineAssembler;
using tavrin::test::check;
namespace protocol = tavrin::protocol;

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
    const protocol::SettingInfo& setting = protocol::info(kind.setting);
    if (setting.kind == protocol::Kind::Id) {
        check(startsWithAt(line, 2, setting.query), "an ID reply without its D1, D2 or D3");
        for (std::size_t i = 0; i < kind.id.size(); ++i)
            check(kind.id[i] == at(line, 4 + i), "an ID reply that does not carry the line's characters");
        return;
    }
    const auto code = std::find_if(setting.codes.begin(), setting.codes.end(),
                                   [&](const protocol::Code& c) { return c.value == kind.value; });
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

void assembleLines(std::span<const std::uint8_t> stream) {
    LineAssembler lines;
    std::size_t readSize = 1;
    for (std::size_t at = 0; at < stream.size();) {
        readSize = 1 + (readSize * 7 + stream[at]) % LineAssembler::kReadSize;
        const auto read = stream.subspan(at, std::min(readSize, stream.size() - at));
        lines.take(read, [](std::span<const std::uint8_t> line) {
            check(!line.empty() && line.front() == '@', "a line that does not start with @");
            check(std::find(line.begin(), line.end(), protocol::kCR) == line.end(), "a CR inside a line");
            check(std::find(line.begin(), line.end(), 0) == line.end(), "a zero byte inside a line");
            check(line.size() < LineAssembler::kBufferSize, "a line longer than the buffer");
            (void)protocol::classify(line);
        });
        check(lines.pendingLength() <= LineAssembler::kBufferSize, "an unfinished line past the buffer");
        at += read.size();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const ReplyKind kind = tavrin::protocol::classify(bytes);

    check(same(kind, tavrin::protocol::classify(line)), "the byte and text entry points disagree");
    check(same(kind, tavrin::protocol::classify(bytes.first(std::min(size, kClassifiedLength)))),
          "bytes past the twentieth changed the class");
    if (at(line, 1) != '0') check(kind.group == Group::Unknown, "a line without the fixed 0 was recognised");
    checkLinkCode(kind);
    if (kind.group == Group::Setting) checkSetting(line, kind);
    assembleLines(bytes);
    return 0;
}
