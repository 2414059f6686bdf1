#include "sim/command_line.h"

#include <charconv>

namespace tavrin::sim {

namespace {

template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// "@0FS44", "FS44" and "@0FS44" with its CR all name the body "FS44".
std::optional<std::string> frameBody(std::string_view text) {
    if (text.starts_with("@0")) text.remove_prefix(2);
    if (text.ends_with('\r')) text.remove_suffix(1);
    if (text.size() < 2) return std::nullopt;
    return std::string(text);
}

// A body that is a query: "@0?D3", "?D3" and "@0?D3" with its CR all name "?D3".
std::optional<std::string> queryBody(std::string_view text) {
    auto body = frameBody(text);
    if (!body || body->front() != '?') return std::nullopt;
    return body;
}

class Arguments {
public:
    explicit Arguments(std::span<const std::string_view> args) : args_(args) {}

    bool done() const { return next_ >= args_.size(); }
    std::string_view take() { return args_[next_++]; }
    std::optional<std::string_view> value() {
        if (done()) return std::nullopt;
        return take();
    }

private:
    std::span<const std::string_view> args_;
    std::size_t next_ = 0;
};

std::optional<double> seconds(std::optional<std::string_view> text) {
    const auto value = text ? parseNumber<double>(*text) : std::nullopt;
    return value && *value >= 0 ? value : std::nullopt;
}

}  // namespace

ParsedCommandLine parseCommandLine(std::span<const std::string_view> args) {
    ParsedCommandLine parsed;
    CommandLine& o = parsed.options;
    Arguments in(args);
    auto fail = [&parsed](std::string_view option, std::string_view why) {
        parsed.error = std::string(option) + ": " + std::string(why);
        return parsed;
    };
    while (!in.done()) {
        const std::string_view option = in.take();
        if (option == "--fast") {
            o.sim.pacing = false;
        } else if (option == "--trace") {
            o.trace = true;
        } else if (option == "--split") {
            o.sim.splitReplies = true;
        } else if (option == "--answer-rcpw") {
            o.sim.protocol.answerRcpw = true;
        } else if (option == "--help" || option == "-h") {
            o.help = true;
        } else if (option == "--version") {
            o.version = true;
        } else if (option == "--link") {
            const auto path = in.value();
            if (!path || path->empty()) return fail(option, "needs a path");
            o.sim.linkPath = *path;
        } else if (option == "--nak-every") {
            const auto n = parseNumber<int>(in.value().value_or(""));
            if (!n || *n < 1) return fail(option, "needs a count of 1 or more");
            o.sim.protocol.nakEvery = *n;
        } else if (option == "--ignore") {
            const auto query = queryBody(in.value().value_or(""));
            if (!query) return fail(option, "needs a query such as @0?D3");
            o.sim.protocol.ignoredQueries.insert(*query);
        } else if (option == "--stray-before") {
            const auto command = frameBody(in.value().value_or(""));
            if (!command) return fail(option, "needs a command such as @0FS44");
            o.sim.protocol.strayBeforeAnswer.insert(*command);
        } else if (option == "--noise") {
            const auto chance = parseNumber<double>(in.value().value_or(""));
            if (!chance || *chance < 0 || *chance > 1) return fail(option, "needs a chance from 0 to 1");
            o.sim.noise = *chance;
        } else if (option == "--seed") {
            const auto seed = parseNumber<std::uint32_t>(in.value().value_or(""));
            if (!seed) return fail(option, "needs a number");
            o.sim.seed = *seed;
        } else if (option == "--stop-reading-after" || option == "--hang-up-after" ||
                   option == "--come-back-after") {
            const auto after = seconds(in.value());
            if (!after) return fail(option, "needs seconds");
            (option == "--stop-reading-after" ? o.stopReadingAfter
             : option == "--hang-up-after"    ? o.hangUpAfter
                                              : o.comeBackAfter) = after;
        } else {
            return fail(option, "unknown option");
        }
    }
    return parsed;
}

std::string usage() {
    return "Usage: tavrin-recorder-sim [options]\n"
           "A TAVRIN recorder on a pseudo-terminal. The first line printed is the device path;\n"
           "start the controller with TAVRIN_COM2=<that path>. Runs until interrupted.\n"
           "\n"
           "  --link PATH               also make PATH a symbolic link to the device (removed on exit)\n"
           "  --fast                    send at once instead of at 9600 bit/s\n"
           "  --trace                   every byte both ways to standard error, with a time stamp\n"
           "  --nak-every N             answer every Nth command with NAK\n"
           "  --ignore QUERY            never answer QUERY, e.g. @0?D3 (may be given again)\n"
           "  --stray-before COMMAND    one stray byte before the answer to COMMAND, e.g. @0FS44\n"
           "  --split                   cut reply lines at random points across writes\n"
           "  --noise CHANCE            garbage bytes before a write with this chance (0 to 1)\n"
           "  --seed N                  seed for --split and --noise\n"
           "  --answer-rcpw             answer @0?RC with RCPW\n"
           "  --stop-reading-after SEC  stop taking input (the controller's writes time out)\n"
           "  --hang-up-after SEC       close the device, as when a USB adapter is pulled\n"
           "  --come-back-after SEC     after a hang-up, come back on a new device (and link)\n"
           "  -h, --help                show this help and exit\n"
           "  --version                 show the version and exit\n"
           "\n"
           "Signals: SIGUSR1 stops or resumes reading, SIGUSR2 hangs up or comes back,\n"
           "SIGINT and SIGTERM end the simulator.\n";
}

}  // namespace tavrin::sim
