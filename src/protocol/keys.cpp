#include "protocol/keys.h"

namespace tavrin::protocol {

const KeyCommand& keyCommand(Key key) {
    for (const KeyCommand& k : kKeyCommands)
        if (k.key == key) return k;
    return kKeyCommands.front();  // unreachable: every Key has a row
}

}  // namespace tavrin::protocol
