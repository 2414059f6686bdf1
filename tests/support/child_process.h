#pragma once

// A program of the project run as a child process, its standard output and error on pipes that
// the test empties as it goes, so the child never blocks on a full pipe.

#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

namespace tavrin::test {

class ChildProcess {
public:
    // Starts `program` with the arguments and the test's environment.
    ChildProcess(const std::string& program, const std::vector<std::string>& args);
    ~ChildProcess();  // a child still running is killed
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0 || exited_; }

    // Takes what the child has written so far; never waits.
    void collect();
    // Whether the child has ended; its output is collected to the end first.
    bool exited();
    // The exit code, or 128 + the signal that ended it; -1 while it runs.
    int exitStatus() const { return status_; }

    // The next line of standard output, without its line feed; empty on time-out.
    std::string readLine(std::chrono::milliseconds timeout = std::chrono::seconds{3});
    void signal(int signal);
    // Sends the signal and waits for the exit; the exit status, or -1 if it did not end.
    int stop(int signal = SIGTERM, std::chrono::milliseconds timeout = std::chrono::seconds{3});
    int waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds{3});

    // The most memory the child had resident at once, in KiB, once it has exited.
    long peakResidentKiB() const { return peakKiB_; }

    const std::string& out() const { return out_; }  // what readLine has not taken
    const std::string& err() const { return err_; }

private:
    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    bool exited_ = false;
    int status_ = -1;
    long peakKiB_ = 0;
    std::string out_;
    std::string err_;
};

}  // namespace tavrin::test
