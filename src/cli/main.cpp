// tavrinctl: the recorder from scripts, automation and whole fleets.

#include <iostream>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/fleet.h"
#include "cli/output.h"
#include "cli/session.h"

int main(int argc, char** argv) {
    using namespace tavrin::cli;
    const auto start = Clock::now();
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const ParsedInvocation parsed = parseCommandLine(args);
    if (!parsed.error.empty()) {
        std::cerr << "tavrinctl: " << parsed.error << "\n" << usage();
        return exit_status::kUsage;
    }
    const Invocation& invocation = parsed.invocation;
    if (invocation.help) {
        std::cout << help();
        return exit_status::kOk;
    }
    if (invocation.version) {
        std::cout << "tavrinctl " TAVRIN_VERSION "\n";
        return exit_status::kOk;
    }
    Output output(invocation.json, invocation.fleet(), invocation.verbose, start);
    return run(invocation, output);
}
