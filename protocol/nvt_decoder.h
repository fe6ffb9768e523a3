// The receive side of the controller connection: a Telnet NVT decoder that turns one received
// chunk into the log's two lines (the plain text and a hex dump of every byte) and reports each
// input report it meets. It owns no state: the caller keeps the NvtState and carries it from
// chunk to chunk, so a frame may arrive split anywhere. It never reads a socket or writes the log.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace protocol {

enum NvtState : std::uint8_t {
    nsData = 0,         // plain data
    nsIac = 1,          // IAC seen: the next byte is a command
    nsSubneg = 2,       // inside a subnegotiation, after IAC SB
    nsComPort = 3,      // inside a subnegotiation, after the controller option byte
    nsInputReport = 4,  // the next byte is the input mask
};

// One received chunk's log lines.
struct ChunkLines {
    std::string text;
    std::string hex;
};

class ReportSink;

// Anything but a ReportSink that can be called with an input mask.
template <typename F>
concept ReportCallable = !std::is_same_v<std::remove_cvref_t<F>, ReportSink> &&
                         std::is_object_v<std::remove_reference_t<F>> &&
                         std::is_invocable_v<std::remove_reference_t<F>&, std::uint8_t>;

// A borrowed reference to whatever takes an input mask (typically a lambda at the call). It does
// not own the callable, so it must not outlive it: pass it straight to decodeChunk.
class ReportSink {
  public:
    // Implicit, so that a lambda converts at the call.
    template <ReportCallable F>
    ReportSink(F&& callable) noexcept  // NOLINT(bugprone-forwarding-reference-overload)
        : callable_(const_cast<void*>(static_cast<const void*>(std::addressof(callable)))),
          call_([](void* target, std::uint8_t mask) {
              (*static_cast<std::remove_reference_t<F>*>(target))(mask);
          }) {}

    void operator()(std::uint8_t mask) const { call_(callable_, mask); }

  private:
    void* callable_;
    void (*call_)(void*, std::uint8_t);
};

// Decodes one chunk starting from `state` and leaves `state` where the last byte put it.
// Clears `out` first. text: the plain data bytes, 8-bit and unchanged (NUL, CR, LF, 0x80-0xFF
// included). hex (only when wantHex): every byte of the chunk, whatever its role, as two uppercase
// hex digits and one blank. onReport(mask) runs once per input report, in order, as it is met,
// so the indicators change before the chunk's lines are logged. filterNop drops a bare NOP
// (0xF1) from the text; IAC NOP is always dropped.
void decodeChunk(std::string_view chunk, NvtState& state, bool filterNop, bool wantHex,
                 ChunkLines& out, ReportSink onReport);

// Appends every byte of `bytes` to `line` as two uppercase hex digits and one blank: "FF 0A ".
void appendHexDump(std::string_view bytes, std::string& line);

}  // namespace protocol
