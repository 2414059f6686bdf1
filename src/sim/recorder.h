#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sim/deck.h"
#include "sim/preset_bank.h"

namespace tavrin::sim {

// Faults of the recorder itself, switched on by tests and the command line.
struct ProtocolFaults {
    int nakEvery = 0;                      // answer every Nth command with NAK; 0: never
    std::set<std::string> ignoredQueries;  // bodies such as "?D3" that get no answer at all
    std::set<std::string> refusedCommands; // bodies such as "FS44" always answered with NAK
    bool answerRcpw = false;               // answer "@0?RC" with "RCPW"
    // Bodies of commands such as "FS44" whose answer comes after one stray byte, so that the
    // program cannot take it as an acknowledgement.
    std::set<std::string> strayBeforeAnswer;
};

// The recorder as a pure model: bytes from the line in, the writes it answers with out,
// time passed in by the caller. No I/O.
//
// Every frame is "@0" + body + CR. An accepted command is answered with ACK, anything not
// understood with NAK; a query is answered with its reply line alone. The ACK or NAK of a
// command is a write of its own, before any reply line the command causes, because the
// program takes an acknowledgement only as the first byte of a read. In standby only the
// Power On key is answered.
class Recorder {
public:
    explicit Recorder(TimePoint now);

    // The bytes that arrived by `now`; returns the writes to make, in order.
    std::vector<std::string> receive(std::string_view bytes, TimePoint now);
    // Lets the clock run to `now`; returns what the recorder reports by itself (the next
    // track, a stop at the end of the card).
    std::vector<std::string> advance(TimePoint now);

    ProtocolFaults& faults() { return faults_; }
    const ProtocolFaults& faults() const { return faults_; }

    bool poweredOn() const { return poweredOn_; }
    Deck& deck() { return deck_; }
    const Deck& deck() const { return deck_; }
    PresetBank& presets() { return presets_; }
    const PresetBank& presets() const { return presets_; }

private:
    void handleFrame(std::string_view frame, std::vector<std::string>& out);
    void answerFrame(std::string_view body, std::vector<std::string>& out);
    bool handleKey(std::string_view body, std::vector<std::string>& out);
    bool handleQuery(std::string_view body, std::vector<std::string>& out);
    void report(const std::vector<std::string>& bodies, std::vector<std::string>& out) const;

    Deck deck_;
    PresetBank presets_;
    ProtocolFaults faults_;
    bool poweredOn_ = true;
    std::string frame_;   // bytes of an unfinished frame, from its "@"
    bool inFrame_ = false;
    long answered_ = 0;   // frames answered so far, for nakEvery
};

}  // namespace tavrin::sim
