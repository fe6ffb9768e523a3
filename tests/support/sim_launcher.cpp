#include "tests/support/sim_launcher.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace testsupport {

namespace {

std::optional<std::uint64_t> parseHexOrDecimal(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x")) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string SimProcess::programPath() {
    return std::string(QM47_BIN_DIR) + "/qm47-sim";
}

bool SimProcess::start(const std::vector<std::string>& args, ChildProcess::Input input,
                       std::chrono::milliseconds bound) {
    std::vector<std::string> all = {"--port", "0"};
    all.insert(all.end(), args.begin(), args.end());
    if (!child_.start(programPath(), all, input)) {
        error_ = child_.error();
        return false;
    }
    constexpr std::string_view kPrefix = "listening on ";
    const auto line = child_.waitForOutputLine(
        [kPrefix](std::string_view l) { return l.starts_with(kPrefix); }, 0, bound);
    const auto colon = line ? line->text.rfind(':') : std::string::npos;
    const auto port =
        colon == std::string::npos ? std::nullopt : parseHexOrDecimal(line->text.substr(colon + 1));
    if (!port || *port == 0 || *port > 65535) {
        error_ = programPath() + " did not say where it listens";
        for (const auto& complaint : child_.errorLines()) {
            error_ += "\n  " + complaint;
        }
        child_.stop();
        return false;
    }
    port_ = static_cast<std::uint16_t>(*port);
    return true;
}

std::size_t SimProcess::count(std::string_view needle) const {
    std::size_t n = 0;
    for (const auto& line : lines()) {
        n += line.find(needle) != std::string::npos ? 1 : 0;
    }
    return n;
}

std::optional<ChildProcess::NumberedLine> SimProcess::findLine(std::string_view needle,
                                                               std::chrono::milliseconds bound,
                                                               std::size_t from) const {
    return child_.waitForOutputLine(
        [needle](std::string_view line) { return line.find(needle) != std::string_view::npos; },
        from, bound);
}

bool SimProcess::waitForLine(std::string_view needle, std::chrono::milliseconds bound,
                             std::size_t from) const {
    return findLine(needle, bound, from).has_value();
}

std::optional<std::string> SimProcess::missingInOrder(const std::vector<std::string>& needles,
                                                      std::chrono::milliseconds bound) const {
    const auto until = std::chrono::steady_clock::now() + bound;
    std::size_t from = 0;
    for (const auto& needle : needles) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        const auto found = findLine(needle, std::max(left, std::chrono::milliseconds(0)), from);
        if (!found) {
            return needle;
        }
        from = found->number + 1;
    }
    return std::nullopt;
}

bool SimProcess::waitForCount(std::string_view needle, std::size_t times,
                              std::chrono::milliseconds bound) const {
    return child_.waitForOutput(
        [&](const std::vector<std::string>& all) {
            std::size_t n = 0;
            for (const auto& line : all) {
                n += line.find(needle) != std::string::npos ? 1 : 0;
            }
            return n >= times;
        },
        bound);
}

bool SimProcess::sendLine(std::string_view line) {
    return child_.writeInput(std::string(line) + "\n");
}

std::optional<std::string> SimProcess::askFor(std::string_view command,
                                              std::string_view answerPrefix,
                                              std::chrono::milliseconds bound) {
    const std::size_t from = mark();
    if (!sendLine(command)) {
        return std::nullopt;
    }
    const auto answer = child_.waitForOutputLine(
        [answerPrefix](std::string_view line) { return line.starts_with(answerPrefix); }, from,
        bound);
    if (!answer) {
        return std::nullopt;
    }
    return answer->text;
}

bool SimProcess::setInputs(std::uint8_t mask, std::chrono::milliseconds bound) {
    char command[16];
    std::snprintf(command, sizeof command, "inputs 0x%02X", mask);
    const auto answer = askFor(command, "inputs ", bound);
    return answer && *answer == command;
}

std::optional<std::uint8_t> SimProcess::askForMask(std::string_view command,
                                                   std::string_view answerPrefix,
                                                   std::chrono::milliseconds bound) {
    const auto answer = askFor(command, answerPrefix, bound);
    if (!answer) {
        return std::nullopt;
    }
    const auto value = parseHexOrDecimal(std::string_view(*answer).substr(answerPrefix.size()));
    if (!value || *value > 0xFF) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*value);
}

std::optional<std::uint8_t> SimProcess::outputs(std::chrono::milliseconds bound) {
    return askForMask("outputs?", "outputs ", bound);
}

std::optional<std::uint8_t> SimProcess::inputs(std::chrono::milliseconds bound) {
    return askForMask("inputs?", "inputs ", bound);
}

}  // namespace testsupport
