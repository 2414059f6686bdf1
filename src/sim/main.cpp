// tavrin-recorder-sim: the recorder simulator as a program on a pseudo-terminal.

#include <poll.h>
#include <signal.h>

#include <csignal>
#include <iostream>
#include <optional>
#include <string_view>
#include <vector>

#include "sim/command_line.h"
#include "sim/recorder_sim.h"

namespace {

using namespace tavrin::sim;

volatile std::sig_atomic_t gEnd = 0;
volatile std::sig_atomic_t gToggleReading = 0;
volatile std::sig_atomic_t gToggleLine = 0;

extern "C" void onSignal(int signal) {
    if (signal == SIGUSR1) gToggleReading = 1;
    else if (signal == SIGUSR2) gToggleLine = 1;
    else gEnd = 1;
}

// The signals are blocked except while waiting, so none is lost between a check and the wait.
sigset_t takeSignals() {
    sigset_t handled;
    sigemptyset(&handled);
    for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) {
        sigaddset(&handled, s);
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        sigaction(s, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t waiting;
    sigprocmask(SIG_BLOCK, &handled, &waiting);
    return waiting;
}

bool take(volatile std::sig_atomic_t& flag) {
    if (flag == 0) return false;
    flag = 0;
    return true;
}

constexpr TimePoint kNever = TimePoint::max();

TimePoint after(TimePoint from, std::optional<double> seconds) {
    if (!seconds) return kNever;
    return from + std::chrono::duration_cast<SimClock::duration>(std::chrono::duration<double>(*seconds));
}

bool due(TimePoint& when, TimePoint now) {
    if (when > now) return false;
    when = kNever;
    return true;
}

class Runner {
public:
    Runner(RecorderSim& sim, const CommandLine& options, TimePoint start)
        : sim_(sim),
          comeBackAfter_(options.comeBackAfter),
          stopReadingAt_(after(start, options.stopReadingAfter)),
          hangUpAt_(after(start, options.hangUpAfter)) {}

    void handleEvents(TimePoint now) {
        if (due(stopReadingAt_, now)) setReading(false);
        if (take(gToggleReading)) setReading(sim_.stopReading());
        if (due(hangUpAt_, now)) hangUp(now);
        if (take(gToggleLine)) sim_.hungUp() ? comeBack() : hangUp(now);
        if (due(comeBackAt_, now)) comeBack();
    }

private:
    void setReading(bool on) {
        sim_.setStopReading(!on);
        std::cerr << (on ? "reading again" : "stopped reading") << std::endl;
    }
    void hangUp(TimePoint now) {
        if (sim_.hungUp()) return;
        sim_.hangUp();
        std::cerr << "hung up" << std::endl;
        comeBackAt_ = after(now, comeBackAfter_);
    }
    void comeBack() {
        comeBackAt_ = kNever;
        if (sim_.comeBack()) {
            std::cout << sim_.devicePath() << std::endl;
            std::cerr << "back on " << sim_.devicePath() << std::endl;
        } else {
            std::cerr << sim_.error() << std::endl;
        }
    }

    RecorderSim& sim_;
    std::optional<double> comeBackAfter_;
    TimePoint stopReadingAt_;
    TimePoint hangUpAt_;
    TimePoint comeBackAt_ = kNever;
};

void waitForInput(const RecorderSim& sim, TimePoint now, const sigset_t& signalsAllowed) {
    pollfd input{sim.inputFd(), POLLIN, 0};
    const auto wait = sim.timeUntilDue(now);
    const timespec timeout{0, static_cast<long>(std::chrono::nanoseconds(wait).count())};
    (void)ppoll(&input, input.fd >= 0 ? 1 : 0, &timeout, &signalsAllowed);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    ParsedCommandLine parsed = parseCommandLine(args);
    if (!parsed.error.empty()) {
        std::cerr << "tavrin-recorder-sim: " << parsed.error << "\n\n" << usage();
        return 2;
    }
    CommandLine& options = parsed.options;
    if (options.help) {
        std::cout << usage();
        return 0;
    }
    if (options.version) {
        std::cout << "tavrin-recorder-sim " TAVRIN_VERSION "\n";
        return 0;
    }
    if (options.trace) options.sim.trace = &std::cerr;

    const sigset_t signalsAllowed = takeSignals();
    const TimePoint start = SimClock::now();
    RecorderSim sim(options.sim, start);
    if (!sim.ok()) {
        std::cerr << "tavrin-recorder-sim: " << sim.error() << std::endl;
        return 1;
    }
    std::cout << sim.devicePath() << std::endl;

    Runner runner(sim, options, start);
    while (gEnd == 0) {
        const TimePoint now = SimClock::now();
        runner.handleEvents(now);
        sim.step(now);
        waitForInput(sim, now, signalsAllowed);
    }
    return 0;
}
