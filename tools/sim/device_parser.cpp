#include "sim/device_parser.h"

#include "protocol/frames.h"

namespace sim {

namespace {

constexpr std::uint8_t kWill = 0xFB;
constexpr std::uint8_t kDont = 0xFE;

void keepHead(RxUnit& unit, std::uint8_t b) {
    if (unit.headSize < unit.head.size()) {
        unit.head[unit.headSize++] = b;
    } else {
        unit.headCut = true;
    }
}

}  // namespace

void DeviceParser::begin(std::uint8_t first, std::uint8_t second) {
    unit_ = RxUnit{};
    add(first);
    add(second);
}

void DeviceParser::add(std::uint8_t b) {
    keepHead(unit_, b);
    ++unit_.wireBytes;
}

bool DeviceParser::flushText(const Sink& sink) {
    if (text_.wireBytes == 0) {
        return true;
    }
    RxUnit text = text_;
    text_ = RxUnit{};
    return sink(text);
}

bool DeviceParser::emit(RxUnit::Kind kind, const Sink& sink) {
    unit_.kind = kind;
    state_ = State::Data;
    return sink(unit_);
}

bool DeviceParser::command(std::uint8_t b, const Sink& sink) {
    begin(protocol::kIac, b);
    if (b == protocol::kSb) {
        state_ = State::SbOption;
        return true;
    }
    if (b >= kWill && b <= kDont) {
        unit_.code = b;
        state_ = State::Verb;
        return true;
    }
    unit_.code = b;
    return emit(RxUnit::Kind::Command, sink);
}

std::size_t DeviceParser::feed(std::string_view bytes, const Sink& sink) {
    std::size_t i = 0;
    bool more = true;
    while (i < bytes.size() && more) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        ++i;
        switch (state_) {
            case State::Data:
                if (b == protocol::kIac) {
                    state_ = State::Iac;
                } else {
                    keepHead(text_, b);
                    ++text_.wireBytes;
                }
                break;
            case State::Iac:
                if (b == protocol::kIac) {
                    keepHead(text_, b);
                    text_.wireBytes += 2;
                    state_ = State::Data;
                } else if (!flushText(sink)) {
                    // Stopped on the text before the command: `b` is read again next time.
                    return i - 1;
                } else {
                    more = command(b, sink);
                }
                break;
            case State::Verb:
                add(b);
                unit_.option = b;
                more = emit(RxUnit::Kind::OptionCommand, sink);
                break;
            case State::SbOption:
                add(b);
                unit_.option = b;
                if (b == protocol::kIac) {
                    state_ = State::SbIac;
                } else if (b == protocol::kControllerOption) {
                    state_ = State::CtlCommand;
                } else {
                    state_ = State::SbBody;
                }
                break;
            case State::CtlCommand:
                add(b);
                unit_.code = b;
                state_ = b == protocol::kIac ? State::SbIac : State::CtlData;
                break;
            case State::CtlData:
                add(b);
                unit_.data = b;
                state_ = State::CtlIac;
                break;
            case State::CtlIac:
                add(b);
                state_ = b == protocol::kIac ? State::CtlSe : State::SbBody;
                break;
            case State::CtlSe:
            case State::SbIac: {
                const bool frame = state_ == State::CtlSe;
                if (b == protocol::kSe) {
                    add(b);
                    more = emit(
                        frame ? RxUnit::Kind::ControllerFrame : RxUnit::Kind::Subnegotiation, sink);
                } else if (b == protocol::kIac) {
                    // An escaped 0xFF inside the subnegotiation body.
                    add(b);
                    state_ = State::SbBody;
                } else {
                    // Another command cuts the subnegotiation short; `b` is that command.
                    unit_.terminated = false;
                    if (!emit(RxUnit::Kind::Subnegotiation, sink)) {
                        state_ = State::Iac;
                        return i - 1;
                    }
                    more = command(b, sink);
                }
                break;
            }
            case State::SbBody:
                add(b);
                if (b == protocol::kIac) {
                    state_ = State::SbIac;
                }
                break;
        }
    }
    if (more) {
        flushText(sink);
    }
    return i;
}

}  // namespace sim
