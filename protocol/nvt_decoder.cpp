#include "protocol/nvt_decoder.h"

#include <array>
#include <cstring>

#include "protocol/frames.h"

namespace protocol {

namespace {

using HexCell = std::array<char, 3>;

constexpr std::array<HexCell, 256> makeHexCells() {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<HexCell, 256> cells{};
    for (std::size_t b = 0; b < cells.size(); ++b) {
        cells[b] = HexCell{digits[b >> 4], digits[b & 0x0F], ' '};
    }
    return cells;
}

constexpr std::array<HexCell, 256> kHexCells = makeHexCells();

}  // namespace

void appendHexDump(std::string_view bytes, std::string& line) {
    const std::size_t start = line.size();
    line.resize(start + bytes.size() * 3);
    char* cell = line.data() + start;
    for (const char c : bytes) {
        std::memcpy(cell, kHexCells[static_cast<unsigned char>(c)].data(), 3);
        cell += 3;
    }
}

void decodeChunk(std::string_view chunk, NvtState& state, bool filterNop, bool wantHex,
                 ChunkLines& out, ReportSink onReport) {
    out.text.clear();
    out.hex.clear();
    if (wantHex) {
        appendHexDump(chunk, out.hex);
    }
    out.text.reserve(chunk.size());

    // A plain data run ends at IAC, and also at a bare NOP when the filter is on; without the
    // filter the second test simply repeats the first.
    const unsigned char nopStop = filterNop ? kNop : kIac;
    const auto* p = reinterpret_cast<const unsigned char*>(chunk.data());
    const auto* const end = p + chunk.size();
    NvtState s = state;

    while (p != end) {
        switch (s) {
            case nsData: {
                const auto* const run = p;
                while (p != end && *p != kIac && *p != nopStop) {
                    ++p;
                }
                if (p != run) {
                    out.text.append(reinterpret_cast<const char*>(run),
                                    static_cast<std::size_t>(p - run));
                    continue;
                }
                // A filtered NOP is simply dropped.
                if (*p++ == kIac) {
                    s = nsIac;
                }
                break;
            }
            case nsIac: {
                const unsigned char command = *p++;
                if (command == kSb) {
                    s = nsSubneg;
                } else {
                    // IAC IAC is one data byte 0xFF, and what follows it is data again, as after
                    // any other command.
                    if (command == kIac) {
                        out.text.push_back(static_cast<char>(kIac));
                    }
                    s = nsData;
                }
                break;
            }
            case nsSubneg: {
                const unsigned char b = *p++;
                if (b == kControllerOption) {
                    s = nsComPort;
                } else if (b == kIac) {
                    s = nsIac;
                }
                break;
            }
            case nsComPort: {
                const unsigned char b = *p++;
                if (b == kInputReportCode) {
                    s = nsInputReport;
                } else if (b == kIac) {
                    s = nsIac;
                }
                break;
            }
            case nsInputReport:
                // The mask travels raw: any value, 0xFF included, is the mask.
                onReport(*p++);
                s = nsSubneg;
                break;
            default:
                // Not a state this decoder leaves behind; treat what follows as plain data.
                s = nsData;
                break;
        }
    }
    state = s;
}

}  // namespace protocol
