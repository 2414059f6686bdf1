#pragma once

#include <string>

namespace tavrin::sim {

// A pseudo-terminal pair, both sides raw and non-blocking. The terminal side (the path a
// program opens as its serial port) is held open by the pair itself, so a program that
// closes and reopens the port never hangs the pair up; closing the pair does.
class PtyPair {
public:
    PtyPair();  // opens a new pair; see ok() and error()
    ~PtyPair();
    PtyPair(PtyPair&& other) noexcept;
    PtyPair& operator=(PtyPair&& other) noexcept;
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    int error() const { return error_; }         // errno of a failed open
    int master() const { return master_; }
    int terminal() const { return terminal_; }   // the pair's own handle on the terminal side
    const std::string& path() const { return path_; }

    // Closes both sides: a program holding the terminal side sees a hang-up.
    void close();

private:
    int master_ = -1;
    int terminal_ = -1;
    int error_ = 0;
    std::string path_;
};

}  // namespace tavrin::sim
