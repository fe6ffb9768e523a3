// Sessions begun and ended over and over, in every way a session ends, must give back every
// descriptor, loop watch and timer they took.
#include <dirent.h>

#include <functional>
#include <string>

#include "tests/e2e/real_window_fixture.h"
#include "tests/support/test_listener.h"

namespace testsupport {
namespace {

std::size_t openDescriptors() {
    std::size_t count = 0;
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(fds)) {
            count += entry->d_name[0] != '.' ? 1 : 0;
        }
        ::closedir(fds);
    }
    return count;  // the listing's own descriptor included, every time alike
}

class SessionCycles : public RealWindowTest {
  protected:
    TestListener listener{loop};
    int accepted = 0;

    void beginLive() {
        form->buConnect.operatorClick();
        ASSERT_TRUE(waitLive());
        ++accepted;
        ASSERT_TRUE(waitFor([&] { return listener.accepted() == accepted; }));
    }
    void waitEnded() {
        ASSERT_TRUE(waitFor(
            [&] { return socket.state() == tk::net::wsClosed && !listener.clientConnected(); }));
    }
};

struct Ending {
    const char* name;
    std::function<void()> run;
};

TEST_F(SessionCycles, TwoHundredSessionsGiveBackEveryDescriptorWatchAndTimer) {
    const Ending endings[] = {
        {"operator disconnects",
         [this] {
             beginLive();
             form->buConnect.operatorClick();
             waitEnded();
         }},
        {"controller closes",
         [this] {
             beginLive();
             listener.closeClient();
             waitEnded();
         }},
        {"controller resets",
         [this] {
             beginLive();
             listener.resetClient();
             waitEnded();
         }},
        {"connect refused",
         [this] {
             const std::string port = form->IPPort.text();
             form->IPPort.setText(std::to_string(unusedPort()));
             const std::size_t logged = form->Memo.lines().size();
             form->buConnect.operatorClick();
             ASSERT_TRUE(waitFor([&] { return form->Memo.lines().size() > logged; }));
             EXPECT_EQ(form->Memo.lines().back(), "Socket error: 10061");
             form->IPPort.setText(port);
         }},
    };

    startAndConnect(listener.port(), "HexOut=0\n");
    ASSERT_TRUE(waitLive());
    ++accepted;
    ASSERT_TRUE(waitFor([&] { return listener.accepted() == accepted; }));
    form->buConnect.operatorClick();
    waitEnded();
    const std::size_t descriptors = openDescriptors();
    const std::size_t watches = loop.watchedFds();

    for (int cycle = 0; cycle < 200; ++cycle) {
        const Ending& ending = endings[cycle % std::size(endings)];
        SCOPED_TRACE(std::string(ending.name) + ", cycle " + std::to_string(cycle));
        ending.run();
        if (HasFatalFailure()) {
            return;
        }
    }
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(loop.watchedFds(), watches);
    EXPECT_EQ(loop.runningTimers(), 0U);
    EXPECT_EQ(boxes.count(), 0U);
}

}  // namespace
}  // namespace testsupport
