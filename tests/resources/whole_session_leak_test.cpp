// One whole session as an operator runs it, start to exit, on the real socket against the
// simulator. In the sanitizer build LeakSanitizer checks, once the window is gone, that nothing
// it allocated was lost; elsewhere it is a plain run of the whole program life.
#include <chrono>
#include <string>

#include "tests/e2e/real_window_fixture.h"
#include "tests/support/sim_launcher.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace testsupport {
namespace {

using std::chrono_literals::operator""ms;

TEST_F(RealWindowTest, WholeSessionFromStartToExitLeavesNoLeak) {
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--follow-outputs"})) << sim.error();
    startAndConnect(sim.port());
    ASSERT_TRUE(waitLive());
    ASSERT_TRUE(sim.waitForLine("ayt-answer", kBound));

    form->buPrettyPattern.operatorClick();
    loop.advance(200ms * 8);
    EXPECT_TRUE(form->buPrettyPattern.enabled()) << "the run ends by itself";

    form->LED2.operatorClick();
    form->cbReadRepeatedly.operatorClick();
    loop.advance(250ms * 8);
    ASSERT_TRUE(waitFor([&] { return indicatorColours() == coloursFor(0x04); }));
    form->cbReadRepeatedly.operatorClick();

    form->SendTxt.setText("hello");
    form->SendBtn.operatorClick();
    form->SendHex.operatorClick();
    form->SendTxt.setText("ff fa 2c 32 00 ff f0");
    form->SendTxt.operatorKey('\r');
    form->SendTxt.setText("not hex");
    form->SendBtn.operatorClick();  // the syntax error box
    form->AYTBtn.operatorClick();
    ASSERT_TRUE(sim.waitForCount("ayt", 2 * 2, kBound));  // two probes, two answers

    form->buConnect.operatorClick();
    form->CloseBtn.operatorClick();
    EXPECT_TRUE(loop.quitting());
    form.reset();
    EXPECT_EQ(boxes.count(), 1U) << "only the hex syntax error";
    EXPECT_NE(TempDir::read(dir.file("qm47.ini")).find("IPAddress=127.0.0.1"), std::string::npos);
    EXPECT_EQ(sim.stop(), 0) << "the simulator did not end cleanly";
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "see the leak report above";
#endif
}

}  // namespace
}  // namespace testsupport
