#include "cli/output.h"

#include <cstdio>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "protocol/readable.h"

namespace tavrin::cli {

std::string jsonString(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (byte < 0x20 || byte >= 0x7F) {
            // Everything the recorder and the files hold is ASCII; other bytes are shown as
            // their code so that the output stays valid JSON.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

JsonObject& JsonObject::raw(std::string_view key, std::string_view json) {
    if (!fields_.empty()) fields_ += ',';
    fields_ += jsonString(key);
    fields_ += ':';
    fields_ += json;
    return *this;
}

JsonObject& JsonObject::append(const JsonObject& other) {
    if (!fields_.empty() && !other.fields_.empty()) fields_ += ',';
    fields_ += other.fields_;
    return *this;
}

JsonObject& JsonObject::add(std::string_view key, std::string_view value) {
    return raw(key, jsonString(value));
}
JsonObject& JsonObject::add(std::string_view key, long long value) { return raw(key, std::to_string(value)); }
JsonObject& JsonObject::add(std::string_view key, bool value) { return raw(key, value ? "true" : "false"); }
JsonObject& JsonObject::add(std::string_view key, const JsonObject& object) {
    return raw(key, object.text());
}

JsonObject& JsonObject::add(std::string_view key, const std::vector<std::string>& values) {
    std::string array = "[";
    for (const std::string& v : values) {
        if (array.size() > 1) array += ',';
        array += jsonString(v);
    }
    return raw(key, array + "]");
}

JsonObject& JsonObject::add(std::string_view key, const std::vector<JsonObject>& objects) {
    std::string array = "[";
    for (const JsonObject& o : objects) {
        if (array.size() > 1) array += ',';
        array += o.text();
    }
    return raw(key, array + "]");
}

Output::Output(bool json, bool fleet, bool verbose, Clock::time_point start, std::FILE* out, std::FILE* err)
    : json_(json), fleet_(fleet), verbose_(verbose), start_(start), out_(out), err_(err) {}

// Each line is flushed at once: a script reading a pipe sees it when it happens.
void Output::put(std::FILE* to, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), to);
    std::fflush(to);
}

void Output::line(std::string_view port, std::string_view text) {
    if (json_) return;
    std::string l = fleet_ ? std::string(port) + ": " : std::string();
    l += text;
    l += '\n';
    put(out_, l);
}

void Output::object(const JsonObject& object) { put(out_, object.text() + "\n"); }

// A preset file goes out as its own bytes. Windows opens standard output in text mode, which
// would turn each LF of the file into CR LF; the lines around it keep that mode.
void Output::bytes(std::string_view data) {
#ifdef _WIN32
    std::fflush(out_);
    const int previous = _setmode(_fileno(out_), _O_BINARY);
    put(out_, data);
    if (previous != -1) _setmode(_fileno(out_), previous);
#else
    put(out_, data);
#endif
}

void Output::error(std::string_view port, std::string_view text) {
    std::string l = "tavrinctl: ";
    if (!port.empty()) l += std::string(port) + ": ";
    l += text;
    l += '\n';
    put(err_, l);
}

// "   0.012 COM2 > @0?ST<CR>": seconds since the start, the port, > sent or < received.
void Output::trace(std::string_view port, bool sent, std::string_view bytes, Clock::time_point at) {
    if (!verbose_) return;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%5lld.%03lld ", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
    put(err_, stamp + std::string(port) + (sent ? " > " : " < ") + protocol::readable(bytes) + "\n");
}

}  // namespace tavrin::cli
