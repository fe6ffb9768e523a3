// The real main window on the test loop, with recording boxes and a socket chosen by the
// test. The program file lives in a private folder, so the settings file does too.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "app/qm47_form.h"
#include "tests/support/recording_boxes.h"
#include "tests/support/scripted_socket.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_loop.h"
#include "toolkit/application.h"

namespace testsupport {

inline constexpr const char* kAbortWarningText =
    "I/O Controller disconnected after socket timeout.\r"
    "If you wish to prevent this, turn on the \"NVT Keep connection\"\r"
    "I/O Controller feature and \"NVT filter\" in this program.";

class WindowTest : public ::testing::Test {
  protected:
    TestLoop loop;
    RecordingBoxes boxes;
    tk::Application app{loop, boxes};
    TempDir dir;
    ScriptedSocket socket{loop};
    std::unique_ptr<TQM47f1> form;

    std::string programPath() const { return dir.file("qm47"); }
    std::string settingsPath() const { return dir.file("qm47.ini"); }

    // Builds the window and runs its creation handler; with `settings`, the settings file
    // holds that text first.
    TQM47f1& start(const std::optional<std::string>& settings = std::nullopt) {
        if (settings) {
            TempDir::write(settingsPath(), *settings);
        }
        form = std::make_unique<TQM47f1>(app, socket, programPath());
        form->create();
        return *form;
    }

    // Closing as the operator does, then the destruction that writes the settings.
    void closeAndDestroy() {
        form->CloseBtn.operatorClick();
        form.reset();
    }

    // A live session on the scripted socket; never the default address.
    TQM47f1& startLive() {
        start("[Settings]\nIPAddress=127.0.0.1\nPort=4000\n");
        form->buConnect.operatorClick();
        socket.raiseConnected();
        socket.sends.clear();
        socket.calls.clear();
        return *form;
    }

    std::vector<std::string> logTail(std::size_t initialLines = 5) const {
        const auto& lines = form->Memo.lines();
        return {lines.begin() + static_cast<long>(std::min(initialLines, lines.size())),
                lines.end()};
    }

    std::vector<tk::TColor> indicatorColours() {
        std::vector<tk::TColor> colours;
        for (tk::TShape* tb : form->TBs()) {
            colours.push_back(tb->brushColor());
        }
        return colours;
    }

    std::vector<bool> sessionControlsEnabled() {
        TQM47f1& f = *form;
        return {f.SendBtn.enabled(),        f.AYTBtn.enabled(), f.buReadInputs.enabled(),
                f.LED0.enabled(),           f.LED1.enabled(),   f.LED2.enabled(),
                f.LED3.enabled(),           f.LED4.enabled(),   f.LED5.enabled(),
                f.LED6.enabled(),           f.LED7.enabled(),   f.cbReadRepeatedly.enabled(),
                f.buPrettyPattern.enabled()};
    }
};

inline std::vector<bool> allSession(bool on) {
    return std::vector<bool>(13, on);
}

inline std::vector<tk::TColor> allIndicators(tk::TColor colour) {
    return std::vector<tk::TColor>(8, colour);
}

}  // namespace testsupport
