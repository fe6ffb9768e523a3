// The real window against a controller that misbehaves: the simulator with its faults, or the
// test listener sending what no controller should. Assertions look at what the operator sees
// (log, indicators, session state), never at how TCP cut the stream into chunks.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tests/e2e/real_window_fixture.h"
#include "tests/support/sim_launcher.h"

namespace testsupport {

inline const std::string kSimAytAnswer = "QM47 simulator here\r\n";
inline const std::string kChunkWarning =
    "Program expects packets of < about 254... but could be revised.";
inline constexpr std::size_t kDesignedLogLines = 5;

// A chunk's hex dump: "XX " per byte, uppercase.
inline bool isHexLine(std::string_view line) {
    if (line.empty() || line.size() % 3 != 0) {
        return false;
    }
    for (std::size_t i = 0; i < line.size(); i += 3) {
        for (std::size_t j = i; j < i + 2; ++j) {
            const char c = line[j];
            if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
                return false;
            }
        }
        if (line[i + 2] != ' ') {
            return false;
        }
    }
    return true;
}

class HostileTest : public RealWindowTest {
  protected:
    SimProcess sim;

    void connectToSim(const std::vector<std::string>& args, const std::string& settings) {
        ASSERT_TRUE(sim.start(args)) << sim.error();
        startAndConnect(sim.port(), settings);
        ASSERT_TRUE(waitLive());
    }

    // A simulator that crashed or tripped a sanitizer under a hostile script fails the test.
    void TearDown() override {
        if (sim.process().pid() > 0) {
            EXPECT_EQ(sim.stop(), 0) << "the simulator did not end cleanly";
        }
    }

    std::size_t logSize() const { return form->Memo.lines().size(); }

    // The log entries from `from` on, joined: controller text split over chunks reads whole.
    std::string joinedFrom(std::size_t from) const {
        std::string all;
        const auto& lines = form->Memo.lines();
        for (std::size_t i = from; i < lines.size(); ++i) {
            all += lines[i];
        }
        return all;
    }

    bool onlyHexLinesFrom(std::size_t from) const {
        const auto& lines = form->Memo.lines();
        for (std::size_t i = from; i < lines.size(); ++i) {
            if (!isHexLine(lines[i])) {
                return false;
            }
        }
        return true;
    }

    bool sessionIdle() const {
        return socket.state() == tk::net::wsClosed && form->buConnect.caption() == "&Connect" &&
               !form->SendBtn.enabled() && !form->buReadInputs.enabled();
    }
};

}  // namespace testsupport
