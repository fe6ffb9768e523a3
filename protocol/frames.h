// The bytes this program exchanges with the I/O controller: Telnet NVT framing with the
// controller's own commands carried as subnegotiations of option 0x2C. Every controller frame
// is seven bytes, IAC SB 2C <command> <data> IAC SE, and its data byte travels raw (an 0xFF
// mask is one byte, never doubled as Telnet would escape it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace protocol {

inline constexpr std::uint8_t kIac = 0xFF;
inline constexpr std::uint8_t kSb = 0xFA;
inline constexpr std::uint8_t kSe = 0xF0;
inline constexpr std::uint8_t kNop = 0xF1;
inline constexpr std::uint8_t kAyt = 0xF6;

inline constexpr std::uint8_t kControllerOption = 0x2C;
inline constexpr std::uint8_t kReadInputsCommand = 0x32;
inline constexpr std::uint8_t kWriteOutputsCommand = 0x33;
inline constexpr std::uint8_t kInputReportCode = 0x96;

inline constexpr std::size_t kFrameSize = 7;

// IAC AYT: sent on every new connection and by the AYT button.
inline constexpr std::string_view kAytProbe{"\xFF\xF6", 2};

// The read-inputs request never changes; its 0x00 data byte is sent like any other.
inline constexpr std::string_view kReadInputsRequest{"\xFF\xFA\x2C\x32\x00\xFF\xF0", kFrameSize};

// A seven-byte controller frame with `data` raw at offset 4.
std::string controllerFrame(std::uint8_t command, std::uint8_t data);

// FF FA 2C 33 mask FF F0.
inline std::string writeOutputsFrame(std::uint8_t mask) {
    return controllerFrame(kWriteOutputsCommand, mask);
}

// FF FA 2C 96 mask FF F0: what the controller answers to a read-inputs request.
inline std::string inputReportFrame(std::uint8_t mask) {
    return controllerFrame(kInputReportCode, mask);
}

}  // namespace protocol
