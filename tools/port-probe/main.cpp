// tavrin-port-probe [port number] [seconds]
// tavrin-port-probe --file <path>
//
// Opens COM<port number> (default 2) the way the controller does, asks the recorder for its
// status and runs the 20 ms receive tick for a few seconds (default 3), printing every log
// line and display change. Exit status 0 when the port opened and the link came up.
// With --file it saves a preset file of reset values at path and loads it back instead.

#include "platform/windows_api.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/core.h"
#include "link/views.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "preset/preset_file.h"

namespace {

using tavrin::link::MainDisplays;
using tavrin::link::MessageLog;

class ConsoleLog final : public MessageLog {
public:
    void insertLine(std::string_view text) override { std::printf("%.*s\n", static_cast<int>(text.size()), text.data()); }
    void clear() override {}
};

class ConsoleDisplays final : public MainDisplays {
public:
    void setTrackText(std::string_view text) override { show("track", text); }
    void setTimeText(std::string_view text) override { show("time", text); }
    void setDispModeText(std::string_view text) override { show("display", text); }
    void DisableKeyControls() override {}
    void EnableKeyControls() override {}

private:
    static void show(const char* what, std::string_view text) {
        std::printf("  [%s] %.*s\n", what, static_cast<int>(text.size()), text.data());
    }
};

int fileRoundTrip(const std::string& path) {
    using namespace tavrin::preset;
    PresetStore saved;
    saved.reset();
    const std::string contents = presetFileText(saved);
    if (const FileResult r = writePresetFile(path, contents); !r.ok) {
        std::printf("%s\n", r.error.c_str());
        return 1;
    }
    std::string text;
    if (const FileResult r = readPresetFile(path, text); !r.ok) {
        std::printf("%s\n", r.error.c_str());
        return 1;
    }
    PresetStore loaded;
    loaded.reset();
    const bool same = text == contents && loadPresetText(loaded, text).anyFound;
    std::printf("%s: %s\n", path.c_str(), same ? "saved and loaded back" : "read back differently");
    return same ? 0 : 1;
}

int argument(int argc, char** argv, int at, int fallback) {
    return argc > at ? std::atoi(argv[at]) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--file") return fileRoundTrip(argv[2]);
    const int portNumber = argument(argc, argv, 1, 2);
    const int seconds = argument(argc, argv, 2, 3);

    tavrin::platform::SerialPort port;
    ConsoleLog log;
    ConsoleDisplays displays;
    tavrin::platform::SystemClock clock;
    tavrin::app::Core core(port, clock);
    core.attachMainWindow(log, displays);

    std::printf("Opening %s\n", tavrin::platform::comPortName(portNumber).c_str());
    core.link().changePort(portNumber);
    if (!port.isOpen()) return 2;

    constexpr int kTickMilliseconds = 20;
    for (int tick = 0; tick < seconds * 1000 / kTickMilliseconds; ++tick) {
        Sleep(kTickMilliseconds);
        core.tick();
    }
    std::fflush(stdout);
    return core.link().state().linkUp ? 0 : 1;
}
