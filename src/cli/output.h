#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::cli {

// One JSON object, its fields in the order they are added.
class JsonObject {
public:
    JsonObject& add(std::string_view key, std::string_view value);
    JsonObject& add(std::string_view key, const char* value) { return add(key, std::string_view(value)); }
    JsonObject& add(std::string_view key, long long value);
    JsonObject& add(std::string_view key, int value) { return add(key, static_cast<long long>(value)); }
    JsonObject& add(std::string_view key, bool value);
    JsonObject& add(std::string_view key, const std::vector<std::string>& values);
    JsonObject& add(std::string_view key, const std::vector<JsonObject>& objects);
    JsonObject& add(std::string_view key, const JsonObject& object);
    // The fields of another object, after these.
    JsonObject& append(const JsonObject& other);
    std::string text() const { return "{" + fields_ + "}"; }

private:
    JsonObject& raw(std::string_view key, std::string_view json);
    std::string fields_;
};

std::string jsonString(std::string_view text);

using Clock = std::chrono::steady_clock;

// Where everything goes: results on standard output (lines, or JSON objects with --json),
// errors on standard error, and with --verbose every byte both ways on standard error. In a
// fleet every line starts with its port.
class Output {
public:
    Output(bool json, bool fleet, bool verbose, Clock::time_point start, std::FILE* out = stdout,
           std::FILE* err = stderr);

    bool json() const { return json_; }
    // A result line (not with --json).
    void line(std::string_view port, std::string_view text);
    void object(const JsonObject& object);
    // Bytes as they are, such as a preset file on standard output.
    void bytes(std::string_view data);
    void error(std::string_view port, std::string_view text);
    void trace(std::string_view port, bool sent, std::string_view bytes, Clock::time_point at);
    bool verbose() const { return verbose_; }

private:
    void put(std::FILE* to, std::string_view text);

    bool json_;
    bool fleet_;
    bool verbose_;
    Clock::time_point start_;
    std::FILE* out_;
    std::FILE* err_;
};

}  // namespace tavrin::cli
