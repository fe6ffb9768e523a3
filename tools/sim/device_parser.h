// The controller's reading of the bytes an exerciser sends: Telnet commands, subnegotiations and
// plain text, told apart one byte at a time. Controller frames (IAC SB 2C cmd data IAC SE) are
// read by position, so their data byte is taken raw even when it is 0xFF or 0xF0.
//
// It keeps no more than a few head bytes of any unit: a subnegotiation that never ends costs a
// counter, not a buffer. It does not answer anything; the caller decides what each unit means.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sim {

struct RxUnit {
    enum class Kind {
        Text,             // plain data; IAC IAC counts as one 0xFF
        Command,          // IAC <code>, e.g. AYT, NOP, a stray SE
        OptionCommand,    // IAC WILL/WONT/DO/DONT <option>
        ControllerFrame,  // IAC SB 2C <code> <data> IAC SE
        Subnegotiation,   // any other IAC SB ... IAC SE, or one cut short by another command
    };
    static constexpr std::size_t kHeadBytes = 16;

    Kind kind = Kind::Text;
    std::uint8_t code = 0;    // command code, or a controller frame's command
    std::uint8_t option = 0;  // option of an option command or a subnegotiation
    std::uint8_t data = 0;    // controller frame data byte
    bool terminated = true;   // a subnegotiation ended by IAC SE, not cut short
    std::uint64_t wireBytes = 0;
    // The first wire bytes of the unit (for text: the first data bytes, unescaped).
    std::array<std::uint8_t, kHeadBytes> head{};
    std::size_t headSize = 0;
    bool headCut = false;  // more bytes came than `head` keeps

    std::string_view headView() const {
        return {reinterpret_cast<const char*>(head.data()), headSize};
    }
    bool isFrame() const { return kind != Kind::Text; }
};

class DeviceParser {
  public:
    // Returns false to stop reading: the rest of the chunk is left unconsumed.
    using Sink = std::function<bool(const RxUnit&)>;

    // Reads `bytes` and hands every finished unit to `sink`. Text is handed on at the end of
    // each call and before every other unit. Returns the number of bytes consumed.
    std::size_t feed(std::string_view bytes, const Sink& sink);

  private:
    enum class State {
        Data,
        Iac,
        Verb,        // after IAC WILL/WONT/DO/DONT: the option byte
        SbOption,    // first byte after IAC SB
        CtlCommand,  // after IAC SB 2C
        CtlData,     // the raw data byte
        CtlIac,      // expecting IAC
        CtlSe,       // expecting SE
        SbBody,      // skipping a subnegotiation
        SbIac,       // IAC inside a subnegotiation
    };

    void begin(std::uint8_t first, std::uint8_t second);
    void add(std::uint8_t b);
    bool flushText(const Sink& sink);
    // IAC followed by `b` (not IAC): starts a command or a subnegotiation.
    bool command(std::uint8_t b, const Sink& sink);
    bool emit(RxUnit::Kind kind, const Sink& sink);

    State state_ = State::Data;
    RxUnit unit_;
    RxUnit text_;
};

}  // namespace sim
