// A long session keeps no more memory than its log's own text: polling for hours with nothing
// logged must not grow the process at all.
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <ostream>
#include <string>

#include "tests/e2e/real_window_fixture.h"
#include "tests/support/sim_launcher.h"

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime; g++ ships no header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace testsupport {
namespace {

using std::chrono_literals::operator""ms;

// Bytes the program holds on the heap now. Live heap rather than resident size: it does not
// depend on how the allocator keeps pages, and under AddressSanitizer the resident size is
// mostly its quarantine.
std::size_t liveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

std::size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    std::size_t resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

struct PollRow {
    const char* name;
    bool hexOut;
};

void PrintTo(const PollRow& row, std::ostream* os) {
    *os << row.name;
}

class LongPolling : public RealWindowTest, public ::testing::WithParamInterface<PollRow> {
  protected:
    SimProcess sim;

    std::size_t logBytes() const {
        std::size_t bytes = 0;
        for (const std::string& line : form->Memo.lines()) {
            bytes += line.size();
        }
        return bytes;
    }

    // `polls` read requests, every answer carrying `mask`; done once the indicators show it.
    void poll(int polls, std::uint8_t mask) {
        ASSERT_TRUE(sim.setInputs(mask));
        loop.advance(250ms * polls);
        ASSERT_TRUE(waitFor([&] { return indicatorColours() == coloursFor(mask); }));
    }
};

TEST_P(LongPolling, MemoryGrowsOnlyByTheLogsOwnText) {
    constexpr int kBatch = 1000;
    ASSERT_TRUE(sim.start({"--quiet"})) << sim.error();
    startAndConnect(sim.port(), GetParam().hexOut ? "HexOut=1\n" : "HexOut=0\n");
    ASSERT_TRUE(waitLive());
    form->cbReadRepeatedly.operatorClick();
    for (int batch = 0; batch < 2; ++batch) {  // everything that is built once, built
        poll(kBatch, batch % 2 == 0 ? 0x55 : 0xAA);
    }
    const std::size_t heap = liveHeapBytes();
    const std::size_t resident = residentBytes();
    const std::size_t text = logBytes();
    const std::size_t entries = form->Memo.lines().size();

    for (int batch = 0; batch < 18; ++batch) {
        poll(kBatch, batch % 2 == 0 ? 0x0F : 0xF0);
        if (HasFatalFailure()) {
            return;
        }
    }
    const std::size_t newEntries = form->Memo.lines().size() - entries;
    if (!GetParam().hexOut) {
        EXPECT_EQ(newEntries, 0U) << "input reports alone must log nothing";
    }
    // Each entry costs its text, its string and its place in the log's vector; the slack is
    // far below what keeping even a few bytes per poll would take (18000 polls).
    const std::size_t allowed = (logBytes() - text) + 96 * newEntries + 64 * 1024;
    const std::size_t grown = liveHeapBytes() - std::min(heap, liveHeapBytes());
    EXPECT_LE(grown, allowed) << "heap before " << heap;
#if !defined(__SANITIZE_ADDRESS__)
    const std::size_t residentGrown = residentBytes() - std::min(resident, residentBytes());
    EXPECT_LE(residentGrown, allowed + 1024 * 1024) << "resident before " << resident;
#else
    (void)resident;
#endif
}

const PollRow kPolls[] = {{"NothingLogged", false}, {"HexDumpLogged", true}};
INSTANTIATE_TEST_SUITE_P(Rows, LongPolling, ::testing::ValuesIn(kPolls),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace testsupport
