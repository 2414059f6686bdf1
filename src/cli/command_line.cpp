#include "cli/command_line.h"

#include <charconv>
#include <cmath>

namespace tavrin::cli {

namespace {

using std::string_view;

constexpr double kLongestSeconds = 7 * 24 * 3600.0;  // a week; more is surely a typing error

struct OptionInfo {
    string_view longName;
    string_view shortName;  // empty: none
    bool takesValue;
};

constexpr OptionInfo kOptions[] = {
    {"--port", "-p", true},  {"--json", "", false},    {"--timeout", "", true}, {"--verbose", "-v", false},
    {"--help", "-h", false}, {"--version", "", false}, {"--preset", "", true},  {"--output", "-o", true},
    {"--backup", "", true},  {"--verify", "", false},  {"--seconds", "", true},
};

struct GivenOption {
    const OptionInfo* option;
    std::string value;
};

std::optional<double> seconds(string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    if (!std::isfinite(value) || value <= 0 || value > kLongestSeconds) return std::nullopt;
    return value;
}

std::chrono::milliseconds toMilliseconds(double s) {
    return std::chrono::milliseconds{static_cast<long long>(std::llround(s * 1000))};
}

const protocol::KeyCommand* keyNamed(string_view name) {
    for (const protocol::KeyCommand& key : protocol::kKeyCommands)
        if (key.commandLineName == name) return &key;
    return nullptr;
}

class Parser {
public:
    explicit Parser(std::span<const string_view> args) : args_(args) {}

    ParsedInvocation run() {
        if (!split()) return failed();
        for (const GivenOption& o : options_)
            if (o.option->longName == "--help")
                inv().help = true;
            else if (o.option->longName == "--version")
                inv().version = true;
        if (inv().help || inv().version) return std::move(parsed_);
        if (!globalOptions() || !command() || !commandOptions() || !fleetRules()) return failed();
        if (inv().ports.empty()) inv().ports.push_back(*parsePortName("COM2").address);
        return std::move(parsed_);
    }

private:
    Invocation& inv() { return parsed_.invocation; }

    bool fail(std::string why) {
        parsed_.error = std::move(why);
        return false;
    }
    ParsedInvocation failed() {
        ParsedInvocation result;
        result.error = std::move(parsed_.error);
        return result;
    }

    // Options anywhere, in the forms --name VALUE, --name=VALUE, -x VALUE and -xVALUE.
    bool split() {
        bool optionsEnded = false;
        for (std::size_t i = 0; i < args_.size(); ++i) {
            const string_view arg = args_[i];
            if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
                positionals_.emplace_back(arg);
                continue;
            }
            if (arg == "--") {
                optionsEnded = true;
                continue;
            }
            const OptionInfo* option = nullptr;
            std::optional<std::string> value;
            for (const OptionInfo& o : kOptions) {
                if (arg == o.longName || (!o.shortName.empty() && arg == o.shortName)) {
                    option = &o;
                } else if (o.takesValue && arg.starts_with(std::string(o.longName) + "=")) {
                    option = &o;
                    value = std::string(arg.substr(o.longName.size() + 1));
                } else if (o.takesValue && !o.shortName.empty() && arg.size() > 2 &&
                           arg.starts_with(o.shortName)) {
                    option = &o;
                    value = std::string(arg.substr(2));
                }
                if (option) break;
            }
            if (!option) return fail("unknown option '" + std::string(arg) + "'");
            if (option->takesValue && !value) {
                if (i + 1 >= args_.size())
                    return fail("option '" + std::string(option->longName) + "' needs a value");
                value = std::string(args_[++i]);
            }
            options_.push_back({option, value.value_or("")});
        }
        return true;
    }

    bool globalOptions() {
        for (const GivenOption& o : options_) {
            const string_view name = o.option->longName;
            if (name == "--port") {
                ParsedPort port = parsePortName(o.value);
                if (!port.address) return fail(port.error);
                inv().ports.push_back(std::move(*port.address));
            } else if (name == "--json") {
                inv().json = true;
            } else if (name == "--verbose") {
                inv().verbose = true;
            } else if (name == "--timeout") {
                const auto s = seconds(o.value);
                if (!s)
                    return fail("option '--timeout' needs a number of seconds above 0, not '" + o.value +
                                "'");
                inv().timeout = toMilliseconds(*s);
            }
        }
        return true;
    }

    std::optional<string_view> nextWord() {
        if (word_ >= positionals_.size()) return std::nullopt;
        return positionals_[word_++];
    }

    bool presetNumber(string_view text) {
        if (text.size() != 1 || text[0] < '1' || text[0] > '3')
            return fail("preset number must be 1, 2 or 3, not '" + std::string(text) + "'");
        inv().preset = text[0] - '0';
        return true;
    }

    bool command() {
        const auto word = nextWord();
        if (!word) return fail("no command given");
        if (*word == "status")
            inv().command = Command::Status;
        else if (*word == "keys")
            inv().command = Command::Keys;
        else if (*word == "watch")
            inv().command = Command::Watch;
        else if (*word == "key")
            return keys();
        else if (*word == "preset")
            return preset();
        else
            return fail("unknown command '" + std::string(*word) + "'");
        return noMoreWords();
    }

    bool keys() {
        inv().command = Command::Key;
        while (const auto name = nextWord()) {
            const protocol::KeyCommand* key = keyNamed(*name);
            if (!key) return fail("unknown key '" + std::string(*name) + "' (tavrinctl keys lists them)");
            inv().keys.push_back(key->key);
        }
        if (inv().keys.empty()) return fail("key needs at least one key name (tavrinctl keys lists them)");
        return true;
    }

    bool preset() {
        const auto word = nextWord();
        if (!word) return fail("preset needs one of read, write, diff, select, default");
        if (*word == "read") {
            inv().command = Command::PresetRead;
        } else if (*word == "write" || *word == "diff") {
            inv().command = *word == "write" ? Command::PresetWrite : Command::PresetDiff;
            const auto file = nextWord();
            if (!file) return fail("preset " + std::string(*word) + " needs a FILE");
            inv().file = *file;
        } else if (*word == "select") {
            inv().command = Command::PresetSelect;
            const auto n = nextWord();
            if (!n) return fail("preset select needs a preset number, 1 to 3");
            if (!presetNumber(*n)) return false;
        } else if (*word == "default") {
            inv().command = Command::PresetDefault;
        } else {
            return fail("unknown command 'preset " + std::string(*word) + "'");
        }
        return noMoreWords();
    }

    bool noMoreWords() {
        if (const auto extra = nextWord()) return fail("unexpected argument '" + std::string(*extra) + "'");
        return true;
    }

    // Which command takes which of the command options.
    bool commandOptions() {
        const Command c = inv().command;
        for (const GivenOption& o : options_) {
            const string_view name = o.option->longName;
            bool fits = true;
            if (name == "--preset") {
                fits = c == Command::PresetRead || c == Command::PresetWrite || c == Command::PresetDiff ||
                       c == Command::PresetDefault;
                if (fits && !presetNumber(o.value)) return false;
            } else if (name == "--output") {
                fits = c == Command::PresetRead;
                inv().output = o.value == "-" ? std::string() : o.value;
                if (fits && o.value.empty()) return fail("option '--output' needs a file name");
            } else if (name == "--backup") {
                fits = c == Command::PresetWrite;
                inv().backup = o.value;
                if (fits && o.value.empty()) return fail("option '--backup' needs a file name");
            } else if (name == "--verify") {
                fits = c == Command::PresetWrite;
                inv().verify = true;
            } else if (name == "--seconds") {
                fits = c == Command::Watch;
                const auto s = seconds(o.value);
                if (fits && !s)
                    return fail("option '--seconds' needs a number of seconds above 0, not '" + o.value +
                                "'");
                if (s) inv().seconds = toMilliseconds(*s);
            }
            if (!fits) return fail("option '" + std::string(name) + "' does not go with this command");
        }
        return true;
    }

    // Several ports write several files: one name for each.
    bool fleetRules() {
        if (!inv().fleet()) return true;
        for (std::size_t i = 1; i < inv().ports.size(); ++i)
            for (std::size_t j = 0; j < i; ++j)
                if (inv().ports[i].name == inv().ports[j].name)
                    return fail("port '" + inv().ports[i].given + "' is given more than once");
        const auto perPort = [](const std::string& name) {
            return name.find(kPortPlaceholder) != std::string::npos;
        };
        if (!inv().output.empty() && !perPort(inv().output))
            return fail("with several ports, -o needs {port} in its file name");
        if (!inv().backup.empty() && !perPort(inv().backup))
            return fail("with several ports, --backup needs {port} in its file name");
        if (inv().command == Command::PresetRead && inv().output.empty() && !inv().json)
            return fail("preset read on several ports needs -o with {port} in the file name (or --json)");
        return true;
    }

    std::span<const string_view> args_;
    std::vector<GivenOption> options_;
    std::vector<std::string> positionals_;
    std::size_t word_ = 0;
    ParsedInvocation parsed_;
};

}  // namespace

ParsedInvocation parseCommandLine(std::span<const string_view> args) { return Parser(args).run(); }

std::string usage() {
    return "Usage: tavrinctl [OPTIONS] COMMAND [ARGS]\n"
           "Commands: status, key NAME..., keys, preset read|write|diff|select|default, watch\n"
           "Try 'tavrinctl --help' for more.\n";
}

std::string help() {
    return "Usage: tavrinctl [OPTIONS] COMMAND [ARGS]\n"
           "Remote control of TAVRIN recorders on serial ports, from scripts and for many\n"
           "recorders at once. With several --port options the command runs on all of them\n"
           "at the same time, and every output line starts with its port.\n"
           "\n"
           "Commands:\n"
           "  status             the transport state, the display mode and, in a time mode,\n"
           "                     the time; the track when the recorder reports one\n"
           "  key NAME...        press keys in order, each after the last one's ACK or NAK\n"
           "  keys               list the key names and the frames they send\n"
           "  preset read [--preset N] [-o FILE]\n"
           "                     read the preset into a preset file (standard output\n"
           "                     without -o or with -o -)\n"
           "  preset write FILE [--preset N] [--backup FILE] [--verify]\n"
           "                     send each setting FILE holds, each after the last one's\n"
           "                     ACK or NAK; a file with one setting is a patch\n"
           "  preset diff FILE [--preset N]\n"
           "                     print each setting that differs from FILE: caption,\n"
           "                     recorder value / file value\n"
           "  preset select N    make preset N (1 to 3) the recorder's current preset\n"
           "  preset default [--preset N]\n"
           "                     reset the preset to the recorder's defaults\n"
           "  watch [--seconds S]\n"
           "                     follow the recorder, one line per change, until\n"
           "                     interrupted or S seconds are up\n"
           "Preset commands run only on a stopped recorder; on any other they print\n"
           "\"invalid(recieved status wasn't STOP)\" and change nothing.\n"
           "\n"
           "Options:\n"
           "  -p, --port PORT    a recorder's port; may be given several times (COM2)\n"
           "      --json         one JSON object per port and result (watch: per change)\n"
           "      --timeout SEC  how long to wait for each answer (default 2)\n"
           "  -v, --verbose      every byte both ways on standard error, with a time stamp\n"
           "  -h, --help         show this help and exit\n"
           "      --version      show the version and exit\n"
           "      --preset N     select preset N (1 to 3) first and wait for its ACK\n"
           "  -o, --output FILE  preset read: where the preset file goes\n"
           "      --backup FILE  preset write: read the preset into FILE first; nothing is\n"
           "                     written if it cannot be saved\n"
           "      --verify       preset write: read the preset back, list each difference\n"
           "      --seconds S    watch: stop after S seconds\n"
           "With several ports, -o and --backup need {port} in the file name; it becomes\n"
           "the port with every character other than a letter or digit replaced by \"_\".\n"
           "\n"
           "Ports:\n"
           "  /dev/ttyUSB0, ...  a serial device by its path\n"
           "  COM<n>             as the windows name it: the device in TAVRIN_COM<n> if\n"
           "                     set, else /dev/ttyS<n-1> (on Windows the port COM<n>)\n"
           "  tcp://HOST:PORT, rfc2217://HOST:PORT\n"
           "                     a serial device server such as ser2net, in builds with\n"
           "                     network ports\n"
           "\n"
           "Exit status (with several ports the highest wins):\n"
           "  0  everything succeeded on every port\n"
           "  1  a recorder refused something (NAK), was not stopped, or diff or\n"
           "     --verify found differences\n"
           "  2  a usage error\n"
           "  3  a recorder did not answer in time\n"
           "  4  a port could not be opened or was lost\n"
           "  5  a file could not be read, is not a preset file, or could not be written\n"
           "  130, 143  interrupted by Ctrl+C or SIGTERM, after reporting what was done\n"
           "            (watch ends this way with the status of what it saw)\n";
}

}  // namespace tavrin::cli
