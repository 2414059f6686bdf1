#include "platform/port.h"

namespace tavrin::platform {

OpenResult Port::open(int portNumber) { return open(comPortName(portNumber)); }

}  // namespace tavrin::platform
