// What the simulator tests share: the simulator as a child and the frames they exchange.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "protocol/frames.h"
#include "tests/support/sim_launcher.h"

namespace simtest {

inline std::string bytes(std::initializer_list<unsigned char> values) {
    return std::string(values.begin(), values.end());
}

inline const std::string kAyt = bytes({0xFF, 0xF6});
inline const std::string kAytAnswer = "QM47 simulator here\r\n";
inline const std::string kReadInputs{protocol::kReadInputsRequest};

class SimTest : public ::testing::Test {
  protected:
    void startSim(const std::vector<std::string>& args,
                  testsupport::ChildProcess::Input input = testsupport::ChildProcess::Input::Pipe) {
        started_ = sim.start(args, input);
        ASSERT_TRUE(started_) << sim.error();
    }

    // Every test ends the simulator with SIGTERM; anything but a clean exit (a crash, a
    // sanitizer report) fails the test that caused it.
    void TearDown() override {
        if (started_) {
            EXPECT_EQ(sim.stop(), 0) << "the simulator did not end cleanly";
        }
    }

    testsupport::SimProcess sim;

  private:
    bool started_ = false;
};

}  // namespace simtest
