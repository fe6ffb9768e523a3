#include "protocol/nvt_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

#include "protocol/frames.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

constexpr std::size_t kBlockSize = 64;  // one bit per byte in a 64-bit word
constexpr std::size_t kBlocksPerPiece = 4;
constexpr std::size_t kPieceSize = kBlockSize * kBlocksPerPiece;
constexpr std::size_t kCopySize = kBlockSize;  // plain data is copied in steps of this size

// Bit k set when byte k of the 16-byte-aligned 64-byte block is IAC or `nop`.
std::uint64_t runEndsOfBlock(const unsigned char* block, unsigned char nop) {
#if defined(__SSE2__)
    const __m128i iacs = _mm_set1_epi8(static_cast<char>(kIac));
    const __m128i nops = _mm_set1_epi8(static_cast<char>(nop));
    auto endsOf16 = [&](std::size_t at) {
        const __m128i bytes = _mm_load_si128(reinterpret_cast<const __m128i*>(block + at));
        const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(bytes, iacs), _mm_cmpeq_epi8(bytes, nops));
        return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(ends))} << at;
    };
    return endsOf16(0) | endsOf16(16) | endsOf16(32) | endsOf16(48);
#else
    std::uint64_t bits = 0;
    for (std::size_t k = 0; k < kBlockSize; ++k) {
        bits |= std::uint64_t{block[k] == kIac || block[k] == nop} << k;
    }
    return bits;
#endif
}

// Up to kPieceSize bytes of the chunk, copied with zeroed room behind them so that plain data runs
// can be found with one bit scan and copied in fixed-size steps without reading past the chunk.
// A run ends at IAC and, when NOPs are filtered, at a bare NOP; zero bytes end none.
class Piece {
  public:
    Piece(const char* from, std::size_t size, bool filterNop) : size_(size) {
        fill(from);
        const unsigned char nop = filterNop ? kNop : kIac;
        for (std::size_t block = 0; block * kBlockSize < size; ++block) {
            runEnds_[block] = runEndsOfBlock(bytes_ + block * kBlockSize, nop);
        }
    }

    const unsigned char* begin() const { return bytes_; }
    const unsigned char* end() const { return bytes_ + size_; }

    // The first run end at or after `from`, or end().
    const unsigned char* nextRunEnd(const unsigned char* from) const {
        const auto offset = static_cast<std::size_t>(from - bytes_);
        std::size_t block = offset / kBlockSize;
        std::uint64_t bits = runEnds_[block] & (~std::uint64_t{0} << (offset % kBlockSize));
        while (bits == 0) {
            if (++block == kBlocksPerPiece) {
                return end();
            }
            bits = runEnds_[block];
        }
        // The zeroed room behind the piece ends no run, so a bit found is always inside it.
        return bytes_ + block * kBlockSize + static_cast<std::size_t>(std::countr_zero(bits));
    }

  private:
    // Fixed-size steps: for pieces this small a general copy's start-up would dominate.
    void fill(const char* from) {
        constexpr std::size_t kStep = 16;
        if (size_ >= kStep) {
            for (std::size_t at = 0; at + kStep <= size_; at += kStep) {
                std::memcpy(bytes_ + at, from + at, kStep);
            }
            std::memcpy(bytes_ + size_ - kStep, from + size_ - kStep, kStep);
        } else {
            std::memcpy(bytes_, from, size_);
        }
        std::memset(bytes_ + size_, 0, kCopySize);
    }

    std::size_t size_;
    alignas(16) unsigned char bytes_[kPieceSize + kCopySize];
    std::uint64_t runEnds_[kBlocksPerPiece] = {};
};

// Copies the `size` bytes at `from` (inside a Piece) to `text`, which has kCopySize bytes of room
// beyond them.
void copyRun(const unsigned char* from, std::size_t size, char* text) {
    std::size_t at = 0;
    do {
        std::memcpy(text + at, from + at, kCopySize);
        at += kCopySize;
    } while (at < size);
}

// Whether the seven bytes at `p` are one whole input report: IAC SB 2C 96 mask IAC SE.
bool isInputReport(const unsigned char* p) {
    constexpr unsigned char head[] = {kIac, kSb, kControllerOption, kInputReportCode};
    constexpr unsigned char tail[] = {kIac, kSe};
    return std::memcmp(p, head, sizeof head) == 0 && std::memcmp(p + 5, tail, sizeof tail) == 0;
}

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
    out.hex.clear();
    if (wantHex) {
        appendHexDump(chunk, out.hex);
    }
    // The text is never longer than the chunk; the extra room takes the fixed-size copies. Within
    // the capacity a reused ChunkLines already has, this allocates nothing.
    out.text.clear();
    out.text.resize(chunk.size() + kCopySize);
    char* const textStart = out.text.data();
    char* text = textStart;
    NvtState s = state;

    for (std::size_t at = 0; at < chunk.size(); at += kPieceSize) {
        const Piece piece(chunk.data() + at, std::min(kPieceSize, chunk.size() - at), filterNop);
        const unsigned char* p = piece.begin();
        const unsigned char* const end = piece.end();

        while (p != end) {
            switch (s) {
                case nsData:
                    while (p != end) {
                        const unsigned char* const runEnd = piece.nextRunEnd(p);
                        const auto run = static_cast<std::size_t>(runEnd - p);
                        copyRun(p, run, text);
                        text += run;
                        p = runEnd;
                        if (p == end) {
                            break;
                        }
                        if (*p == kIac) {
                            // The controller's answer to a poll, whole in the piece: taken in one
                            // step, it ends in plain data just as the byte-wise walk would.
                            if (end - p >= static_cast<std::ptrdiff_t>(kFrameSize) &&
                                isInputReport(p)) {
                                onReport(p[4]);
                                p += kFrameSize;
                                continue;
                            }
                            s = nsIac;
                            ++p;
                            break;
                        }
                        // A filtered NOP is simply dropped.
                        ++p;
                    }
                    break;
                case nsIac: {
                    const unsigned char command = *p++;
                    if (command == kSb) {
                        s = nsSubneg;
                    } else {
                        // IAC IAC is one data byte 0xFF, but the decoder stays in command state:
                        // the byte after it is taken as a command, as the controller's peers
                        // have always seen it decoded.
                        if (command == kIac) {
                            *text++ = static_cast<char>(kIac);
                        } else {
                            s = nsData;
                        }
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
                    // Not a state this decoder leaves behind; take what follows as plain data.
                    s = nsData;
                    break;
            }
        }
    }
    out.text.resize(static_cast<std::size_t>(text - textStart));
    state = s;
}

}  // namespace protocol
