// The program killed while it writes its settings at exit: the file must hold each key's old or
// new line, whole, and the temporary files of killed writers must not pile up.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "tests/app/window_fixture.h"

namespace testsupport {
namespace {

struct Values {
    const char* address;
    const char* port;
    bool flags;
};
const Values kValues[2] = {{"10.0.0.1", "1111", true}, {"10.0.0.2", "2222", false}};

// A long line that the writer must carry over, so that a torn write cannot go unseen.
const std::string kPadding = "; " + std::string(64 * 1024, 'p') + "\n";

std::string settingsText(int address, int port, int filter, int hex) {
    const auto flag = [](int set) { return kValues[set].flags ? "1" : "0"; };
    return kPadding + "[Settings]\nIPAddress=" + kValues[address].address +
           "\nPort=" + kValues[port].port + "\nFilterEcho=" + flag(filter) +
           "\nHexOut=" + flag(hex) + "\n";
}

// Each key is written by its own replace, so any mix of old and new lines is a whole file.
std::set<std::string> wholeFiles() {
    std::set<std::string> files;
    for (int mix = 0; mix < 16; ++mix) {
        files.insert(settingsText(mix & 1, (mix >> 1) & 1, (mix >> 2) & 1, (mix >> 3) & 1));
    }
    return files;
}

// One run of the program: start-up, the operator's changes, close, and the write at exit.
void runProgramOnce(const std::string& program, const Values& values) {
    TestLoop loop;
    RecordingBoxes boxes;
    tk::Application app(loop, boxes);
    ScriptedSocket socket(loop);
    auto form = std::make_unique<TQM47f1>(app, socket, program);
    form->create();
    form->IPAddress.setText(values.address);
    form->IPPort.setText(values.port);
    form->NVTFiltr.setChecked(values.flags);
    form->HexOutput.setChecked(values.flags);
    form->CloseBtn.operatorClick();
    form.reset();
}

// The child: runs the program again and again, one byte on `progress` after each run.
[[noreturn]] void runProgramForever(const std::string& program, int progress) {
    try {
        for (unsigned run = 0;; ++run) {
            runProgramOnce(program, kValues[run % 2]);
            const char done = 1;
            if (::write(progress, &done, 1) != 1) {
                ::_exit(3);
            }
        }
    } catch (...) {
    }
    ::_exit(2);
}

bool waitReadable(int fd, std::chrono::microseconds bound) {
    pollfd ready{fd, POLLIN, 0};
    const timespec timeout{static_cast<time_t>(bound.count() / 1000000),
                           static_cast<long>(bound.count() % 1000000) * 1000};
    return ::ppoll(&ready, 1, &timeout, nullptr) == 1;
}

// A private folder in memory where the machine has one: a kill leaves a file there as it leaves
// it on disk, and the writer's syncs, which only matter for power loss, cost nothing.
class MemoryFolder {
  public:
    MemoryFolder() {
        std::string pattern = std::filesystem::is_directory("/dev/shm")
                                  ? "/dev/shm/qm47-test-XXXXXX"
                                  : "/tmp/qm47-test-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~MemoryFolder() {
        std::error_code ignored;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ignored);
        }
    }
    MemoryFolder(const MemoryFolder&) = delete;
    MemoryFolder& operator=(const MemoryFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

std::size_t temporaryFilesIn(const std::string& folder) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        count += entry.path().filename() != "qm47.ini" ? 1 : 0;
    }
    return count;
}

TEST(SettingsWriterKilled, LeavesAWholeFileAndNoPileOfTemporaryFiles) {
    constexpr int kKills = 200;
    MemoryFolder dir;
    ASSERT_FALSE(dir.path().empty());
    const std::string program = dir.file("qm47");
    const std::string settings = dir.file("qm47.ini");
    TempDir::write(settings, settingsText(0, 0, 0, 0));
    const std::set<std::string> whole = wholeFiles();

    // How long one run takes here, so that the kills spread over a whole run.
    const auto before = std::chrono::steady_clock::now();
    runProgramOnce(program, kValues[1]);
    runProgramOnce(program, kValues[0]);
    const auto run = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now() - before) /
                     2;
    ASSERT_EQ(TempDir::read(settings), settingsText(0, 0, 0, 0));

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<long long> moment(0, run.count());
    for (int kill = 0; kill < kKills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        int progress[2];
        ASSERT_EQ(::pipe2(progress, O_CLOEXEC), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(progress[0]);
            runProgramForever(program, progress[1]);
        }
        ::close(progress[1]);
        // After one whole run the kill lands anywhere in the next one, or just after it.
        const bool ranOnce = waitReadable(progress[0], std::chrono::seconds(10));
        if (ranOnce) {
            char done = 0;
            EXPECT_EQ(::read(progress[0], &done, 1), 1);
            waitReadable(progress[0], std::chrono::microseconds(moment(random)));
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(progress[0]);
        ASSERT_TRUE(ranOnce) << "the child never finished a run";
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself: " << status;

        const std::string text = TempDir::read(settings);
        ASSERT_EQ(whole.count(text), 1U) << "a torn settings file of " << text.size() << " bytes";
        ASSERT_LE(temporaryFilesIn(dir.path()), 1U) << "temporary files pile up";
    }
    // A run that is not killed cleans up after the last killed one.
    runProgramOnce(program, kValues[0]);
    EXPECT_EQ(TempDir::read(settings), settingsText(0, 0, 0, 0));
    EXPECT_EQ(temporaryFilesIn(dir.path()), 0U);
}

// Another program writing the same file at this moment owns its temporary file.
TEST_F(WindowTest, TemporaryFileOfAWriterThatStillRunsIsLeftAlone) {
    const std::string running = dir.file(".qm47.ini.tmp1_0");
    TempDir::write(running, "half");
    start();
    closeAndDestroy();
    EXPECT_EQ(TempDir::read(running), "half");
    EXPECT_EQ(boxes.count(), 0U);
}

}  // namespace
}  // namespace testsupport
