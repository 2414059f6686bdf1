#pragma once

namespace tavrin::platform {

// SIGINT and SIGTERM (Ctrl+C and Ctrl+Break on Windows) as an event: while an object lives, such
// a signal no longer ends the process but makes handle() readable and requested() true, so that
// the program's one event loop ends cleanly, its ports closed. One object at a time.
class TerminationRequest {
public:
    TerminationRequest();
    ~TerminationRequest();
    TerminationRequest(const TerminationRequest&) = delete;
    TerminationRequest& operator=(const TerminationRequest&) = delete;

    // A descriptor that becomes readable on the signal, or -1 where there is none (Windows).
    int handle() const;
    bool requested() const { return signal() != 0; }
    // The first such signal's number (2 for Ctrl+C, 15 for SIGTERM and on Windows for
    // Ctrl+Break and closing the console), or 0. On POSIX the signal also ends a wait for ports
    // in progress early.
    int signal() const;
};

}  // namespace tavrin::platform
