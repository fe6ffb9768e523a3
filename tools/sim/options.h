// The simulator's command line.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct Options {
    std::string host = "127.0.0.1";
    std::uint16_t port = 0;
    std::uint8_t inputs = 0;
    bool followOutputs = false;
    bool quiet = false;

    // Faults, counted in frames received on one connection.
    std::optional<std::uint64_t> closeAfter;
    std::optional<std::uint64_t> resetAfter;
    std::optional<std::uint64_t> silentAfter;
    std::optional<std::size_t> cutLast;  // bytes of an input report sent before the end
    bool splitWrites = false;
    std::chrono::milliseconds splitGap{1};
    std::optional<std::chrono::milliseconds> nopEvery;
    bool bareNop = false;
    std::uint64_t flood = 0;
    std::optional<std::chrono::milliseconds> textEvery;
    std::size_t maxQueue = std::size_t{64} << 20;
};

struct ParsedCommandLine {
    enum class Outcome { Run, Help, Error };
    Outcome outcome = Outcome::Run;
    Options options;
    std::string error;
};

ParsedCommandLine parseCommandLine(const std::vector<std::string_view>& args);

std::string usageText();

}  // namespace sim
