#include "sim/options.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>

#include "sim/hex.h"

namespace sim {

namespace {

using Setter = std::function<bool(Options&, std::string_view)>;

struct OptionRule {
    std::string_view name;
    std::string_view valueName;  // empty: a flag without a value
    std::string_view help;
    Setter set;
};

template <typename T>
Setter number(T Options::*field, std::uint64_t max) {
    return [field, max](Options& o, std::string_view v) {
        const auto n = parseNumber(v, max);
        if (n) {
            o.*field = static_cast<T>(*n);
        }
        return n.has_value();
    };
}

template <typename T>
Setter optionalNumber(std::optional<T> Options::*field, std::uint64_t min, std::uint64_t max) {
    return [field, min, max](Options& o, std::string_view v) {
        const auto n = parseNumber(v, max);
        if (!n || *n < min) {
            return false;
        }
        o.*field = static_cast<T>(*n);
        return true;
    };
}

Setter milliseconds(std::optional<std::chrono::milliseconds> Options::*field) {
    return [field](Options& o, std::string_view v) {
        const auto n = parseNumber(v, 86'400'000);
        if (!n || *n == 0) {
            return false;
        }
        o.*field = std::chrono::milliseconds(*n);
        return true;
    };
}

Setter flag(bool Options::*field) {
    return [field](Options& o, std::string_view) {
        o.*field = true;
        return true;
    };
}

bool setHost(Options& o, std::string_view v) {
    in_addr addr{};
    const std::string host(v);
    if (inet_pton(AF_INET, host.c_str(), &addr) != 1) {
        return false;
    }
    o.host = host;
    return true;
}

bool setSplitGap(Options& o, std::string_view v) {
    const auto n = parseNumber(v, 60'000);
    if (n) {
        o.splitGap = std::chrono::milliseconds(*n);
    }
    return n.has_value();
}

bool setMaxQueue(Options& o, std::string_view v) {
    const auto n = parseNumber(v, SIZE_MAX);
    if (!n || *n == 0) {
        return false;
    }
    o.maxQueue = static_cast<std::size_t>(*n);
    return true;
}

// Seconds, fractions allowed, so a test can ask for a keep-alive every 0.05 s.
bool setNopEvery(Options& o, std::string_view v) {
    double seconds = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), seconds);
    if (ec != std::errc{} || end != v.data() + v.size() || !std::isfinite(seconds) ||
        seconds < 0.001 || seconds > 86'400) {
        return false;
    }
    o.nopEvery = std::chrono::milliseconds(std::llround(seconds * 1000));
    return true;
}

const std::vector<OptionRule>& optionRules() {
    static const std::vector<OptionRule> table = {
        {"--host", "ADDR", "IPv4 address to listen on (default 127.0.0.1)", setHost},
        {"--port", "N", "TCP port; 0 picks a free one (default 0)", number(&Options::port, 65535)},
        {"--inputs", "MASK", "input mask the reports carry, decimal or 0x hex (default 0)",
         number(&Options::inputs, 255)},
        {"--follow-outputs", "", "inputs take the mask of every write-outputs frame",
         flag(&Options::followOutputs)},
        {"--quiet", "", "no line per frame (connections and commands are still logged)",
         flag(&Options::quiet)},
        {"--close-after", "N", "close the connection in order after N frames received (0: at once)",
         optionalNumber(&Options::closeAfter, 0, UINT64_MAX)},
        {"--reset-after", "N", "reset the connection (linger 0) after N frames received",
         optionalNumber(&Options::resetAfter, 0, UINT64_MAX)},
        {"--cut-last", "K",
         "with --close-after/--reset-after: end inside a frame, sending only the first K\n"
         "                        bytes (1-6) of an input report instead of the last answer",
         optionalNumber(&Options::cutLast, 1, 6)},
        {"--silent-after", "N", "after N frames keep reading but send nothing more",
         optionalNumber(&Options::silentAfter, 0, UINT64_MAX)},
        {"--split-writes", "", "write everything one byte per write()",
         flag(&Options::splitWrites)},
        {"--split-gap", "MS", "pause between those one-byte writes (default 1)", setSplitGap},
        {"--nop-every", "T", "send IAC NOP (FF F1) every T seconds, fractions allowed",
         setNopEvery},
        {"--bare-nop", "", "with --nop-every: send a lone F1 byte instead of IAC NOP",
         flag(&Options::bareNop)},
        {"--flood", "N", "send N bytes of text as soon as a connection is accepted",
         number(&Options::flood, UINT64_MAX)},
        {"--text-every", "MS", "send a line of text every MS milliseconds",
         milliseconds(&Options::textEvery)},
        {"--max-queue", "BYTES",
         "drop a connection whose unsent output grows beyond BYTES (default 67108864)",
         setMaxQueue},
    };
    return table;
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string_view>& args) {
    ParsedCommandLine result;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            result.outcome = ParsedCommandLine::Outcome::Help;
            return result;
        }
        std::string_view value;
        bool inlineValue = false;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            inlineValue = true;
        }
        const OptionRule* rule = nullptr;
        for (const auto& s : optionRules()) {
            if (s.name == arg) {
                rule = &s;
            }
        }
        auto fail = [&](std::string message) {
            result.outcome = ParsedCommandLine::Outcome::Error;
            result.error = std::move(message);
            return result;
        };
        if (rule == nullptr) {
            return fail("unknown option '" + std::string(args[i]) + "'");
        }
        if (rule->valueName.empty()) {
            if (inlineValue) {
                return fail("option " + std::string(arg) + " takes no value");
            }
        } else if (!inlineValue) {
            if (i + 1 == args.size()) {
                return fail("option " + std::string(arg) + " needs a value " +
                            std::string(rule->valueName));
            }
            value = args[++i];
        }
        if (!rule->set(result.options, value)) {
            return fail("bad value '" + std::string(value) + "' for " + std::string(arg) + " " +
                        std::string(rule->valueName));
        }
    }
    const Options& o = result.options;
    if (o.cutLast && !o.closeAfter && !o.resetAfter) {
        result.outcome = ParsedCommandLine::Outcome::Error;
        result.error = "--cut-last needs --close-after or --reset-after";
    }
    return result;
}

std::string usageText() {
    std::string text =
        "usage: qm47-sim [options]\n"
        "A stand-in for the QM47 I/O controller: answers IAC AYT with a line of text, keeps the\n"
        "outputs of write-outputs frames (FF FA 2C 33 mask FF F0) and answers read-inputs\n"
        "requests (FF FA 2C 32 xx FF F0) with an input report (FF FA 2C 96 mask FF F0).\n"
        "One connection at a time. The first line printed is 'listening on HOST:PORT'; then one\n"
        "line per frame received (rx) and sent (tx). A frame is any Telnet command or\n"
        "subnegotiation; plain text is logged but not counted. Frame counts start again on\n"
        "every connection.\n\n"
        "options:\n";
    for (const auto& s : optionRules()) {
        // Appended piece by piece: `"  " + std::string(...)` trips a false -Wrestrict in g++ 12
        // -O3.
        std::string left = "  ";
        left += s.name;
        if (!s.valueName.empty()) {
            left += ' ';
            left += s.valueName;
        }
        left.resize(std::max<std::size_t>(left.size() + 2, 24), ' ');
        text += left + std::string(s.help) + "\n";
    }
    text +=
        "  --help                print this text\n\n"
        "lines read on standard input:\n"
        "  inputs MASK           set the inputs; answers 'inputs 0xNN'\n"
        "  inputs?               answers 'inputs 0xNN'\n"
        "  outputs?              answers 'outputs 0xNN'\n"
        "Standard input may be closed; the simulator then just serves. SIGTERM or SIGINT end it.\n";
    return text;
}

}  // namespace sim
