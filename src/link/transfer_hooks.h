#pragma once

#include <string_view>

#include "protocol/reply.h"

namespace tavrin::link {

// What the receive tick and the send operation hand on to the preset transfer. The link
// knows nothing else about presets.
class TransferHooks {
public:
    virtual ~TransferHooks() = default;

    virtual bool editorOpen() const = 0;
    // An ACK or NAK at the start of a read while the editor is open, before the read's
    // replies are dispatched. May send the next write step or start a re-read.
    virtual void acknowledgement(bool ack) = 0;
    // A Setting reply while the recorder state is 11. May show the editor modally: further
    // ticks then run nested inside this call.
    virtual void presetReply(const protocol::ReplyKind& reply) = 0;
    // A "D3" reply outside the preset transfer state: store ID3, end a pending read quietly.
    virtual void id3OutsideTransfer(std::string_view sixCharacters) = 0;
    // The transfer part of the failed-write reset: clear the pending flags, end the editor,
    // give the main window its keys back.
    virtual void failedWrite() = 0;
    // Once at the end of every tick, nested ones included; drives the recovery time-outs.
    virtual void tickEnded() = 0;
};

}  // namespace tavrin::link
