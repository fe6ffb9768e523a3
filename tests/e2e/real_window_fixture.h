// The real window on the real socket, on loopback only: against the test listener or the
// simulator as a child process. Time-outs are real-time bounds, never sleeps.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "app/qm47_form.h"
#include "tests/support/recording_boxes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_loop.h"
#include "toolkit/application.h"
#include "toolkit/net/tcp_socket.h"

namespace testsupport {

inline constexpr std::chrono::milliseconds kBound{5000};

class RealWindowTest : public ::testing::Test {
  protected:
    TestLoop loop;
    RecordingBoxes boxes;
    tk::Application app{loop, boxes};
    TempDir dir;
    tk::net::TcpSocket socket{loop};
    std::unique_ptr<TQM47f1> form;

    // Starts the window with 127.0.0.1 and `port` in its settings and clicks Connect.
    void startAndConnect(std::uint16_t port, const std::string& moreSettings = "") {
        TempDir::write(dir.file("qm47.ini"), "[Settings]\nIPAddress=127.0.0.1\nPort=" +
                                                 std::to_string(port) + "\n" + moreSettings);
        form = std::make_unique<TQM47f1>(app, socket, dir.file("qm47"));
        form->create();
        ASSERT_EQ(form->IPAddress.text(), "127.0.0.1");
        form->buConnect.operatorClick();
    }

    bool waitLive() {
        return loop.runUntil([&] { return form->buConnect.caption() == "&Disconnect"; }, kBound);
    }

    bool waitFor(const std::function<bool()>& condition) {
        return loop.runUntil(condition, kBound);
    }

    bool logHas(const std::string& line) const {
        for (const std::string& entry : form->Memo.lines()) {
            if (entry == line) {
                return true;
            }
        }
        return false;
    }

    bool logContains(const std::string& part) const {
        for (const std::string& entry : form->Memo.lines()) {
            if (entry.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    std::vector<tk::TColor> indicatorColours() {
        std::vector<tk::TColor> colours;
        for (tk::TShape* tb : form->TBs()) {
            colours.push_back(tb->brushColor());
        }
        return colours;
    }

    static std::vector<tk::TColor> coloursFor(std::uint8_t mask) {
        std::vector<tk::TColor> colours;
        for (int k = 0; k < 8; ++k) {
            colours.push_back(((mask >> k) & 1) == 0 ? tk::clLime : tk::clGreen);
        }
        return colours;
    }
};

}  // namespace testsupport
