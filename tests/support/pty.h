#pragma once

// A pseudo-terminal pair for tests: the program under test opens the terminal side by its
// path (through TAVRIN_COM<n>), the test plays the recorder on the master side.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "sim/pty_pair.h"

namespace tavrin::test {

class PseudoTerminal {
public:
    // Opens the pair, both sides raw. The helper keeps a handle of its own on the terminal
    // side, so the program closing and reopening its port never hangs the pair up.
    PseudoTerminal() = default;

    bool ok() const { return pair_.ok(); }
    // The terminal side, e.g. /dev/pts/7.
    const std::string& devicePath() const { return pair_.path(); }
    int masterFd() const { return pair_.master(); }

    // Sends bytes to the terminal side, as the recorder would. False when not all went.
    bool write(std::string_view bytes);
    // What the terminal side sent: returns as soon as `count` bytes have come, or with what
    // came by the time-out.
    std::string read(std::size_t count, std::chrono::milliseconds timeout);
    // Reads until `terminator` has arrived (included) or the time-out passes.
    std::string readUntil(std::string_view terminator, std::chrono::milliseconds timeout);
    // Reads until nothing more arrives for `quiet`; returns everything read.
    std::string drain(std::chrono::milliseconds quiet = std::chrono::milliseconds{50});

    // Writes filler bytes into the terminal side until the pair takes no more, so that the
    // program's next write blocks until the test reads (a line that holds CTS low).
    // Returns how many filler bytes went in; drain() takes them out again.
    std::size_t fillUntilWritesBlock(char filler = 'F');

    // Closes the master side: the terminal side is hung up, as when a USB adapter is pulled.
    void hangUp();

private:
    sim::PtyPair pair_;
};

// Points TAVRIN_COM<n> at a path while it lives; the old value comes back afterwards.
class ScopedComPort {
public:
    ScopedComPort(int portNumber, const std::string& path);
    ~ScopedComPort();
    ScopedComPort(const ScopedComPort&) = delete;
    ScopedComPort& operator=(const ScopedComPort&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

}  // namespace tavrin::test
