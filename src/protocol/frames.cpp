#include "protocol/frames.h"

namespace tavrin::protocol {

std::string commandFrame(std::string_view body) {
    std::string frame;
    frame.reserve(body.size() + 3);
    frame += "@0";
    frame += body;
    frame += kCR;
    return frame;
}

}  // namespace tavrin::protocol
