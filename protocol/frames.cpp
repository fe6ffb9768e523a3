#include "protocol/frames.h"

namespace protocol {

std::string controllerFrame(std::uint8_t command, std::uint8_t data) {
    std::string frame(kFrameSize, '\0');
    frame[0] = static_cast<char>(kIac);
    frame[1] = static_cast<char>(kSb);
    frame[2] = static_cast<char>(kControllerOption);
    frame[3] = static_cast<char>(command);
    frame[4] = static_cast<char>(data);
    frame[5] = static_cast<char>(kIac);
    frame[6] = static_cast<char>(kSe);
    return frame;
}

}  // namespace protocol
