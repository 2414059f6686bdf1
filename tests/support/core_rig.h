#pragma once

// The core put together as the main window does it, on stand-ins for the window and, by
// default, the port.

#include "link/link.h"
#include "preset/preset_record.h"
#include "preset/preset_session.h"
#include "support/fakes.h"

namespace tavrin::test {

template <class PortType = FakePort, class LogType = FakeLog>
struct CoreRig {
    PortType port;
    LogType log;
    FakeDisplays displays;
    FixedClock clock;
    link::Link link{port, log, displays, clock};
    preset::PresetStore store;
    preset::PresetSession session{link, displays, store};
};

}  // namespace tavrin::test
