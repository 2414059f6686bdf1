#pragma once

// The program's core on stand-ins for the windows and, by default, the port.

#include "app/core.h"
#include "support/fakes.h"

namespace tavrin::test {

template <class PortType = FakePort, class LogType = FakeLog>
struct CoreRig {
    CoreRig() { core.attachMainWindow(log, displays); }

    PortType port;
    LogType log;
    FakeDisplays displays;
    FixedClock clock;
    app::Core core{port, clock};
    link::Link& link = core.link();
    preset::PresetStore& store = core.store();
    preset::PresetSession& session = core.session();
    preset::PresetEditor& editor = core.editor();
};

}  // namespace tavrin::test
