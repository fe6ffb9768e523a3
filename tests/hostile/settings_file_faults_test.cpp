// A settings file that was edited by hand, damaged or put where nothing can be written: the
// window starts with what it can read and, at exit, rewrites only its own four key lines.
#include <filesystem>
#include <optional>
#include <ostream>
#include <set>
#include <string>

#include "tests/app/window_fixture.h"

namespace testsupport {
namespace {

using namespace std::string_literals;

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Where two (possibly megabyte-long) texts part, for a readable failure.
std::string firstDifference(const std::string& got, const std::string& want) {
    std::size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) {
        ++at;
    }
    return "sizes " + std::to_string(got.size()) + " and " + std::to_string(want.size()) +
           ", first difference at byte " + std::to_string(at) + ": got \"" +
           toHex(std::string_view(got).substr(at, 16)) + "\", want \"" +
           toHex(std::string_view(want).substr(at, 16)) + "\"";
}

const std::string kMegabyte(std::size_t{1} << 20, 'x');
const std::string kLongAddress(std::size_t{1} << 20, '1');

struct FileRow {
    const char* name;
    std::string before;
    std::string address;
    std::string port;
    bool filterEcho;
    bool hexOut;
    std::optional<std::string> startReport;
    std::string after;
};

void PrintTo(const FileRow& row, std::ostream* os) {
    *os << row.name;
}

class SettingsFileFault : public WindowTest, public ::testing::WithParamInterface<FileRow> {};

TEST_P(SettingsFileFault, StartsWithWhatItCanReadAndRewritesOnlyItsKeyLines) {
    const FileRow& row = GetParam();
    TQM47f1& f = start(row.before);
    EXPECT_EQ(f.IPAddress.text().substr(0, 64), row.address.substr(0, 64));
    EXPECT_EQ(f.IPAddress.text().size(), row.address.size());
    EXPECT_EQ(f.IPPort.text(), row.port);
    EXPECT_EQ(f.NVTFiltr.checked(), row.filterEcho);
    EXPECT_EQ(f.HexOutput.checked(), row.hexOut);
    if (row.startReport) {
        ASSERT_EQ(boxes.count(), 1U);
        EXPECT_EQ(boxes.boxes()[0].kind, tk::BoxKind::errorReport);
        EXPECT_EQ(boxes.boxes()[0].text, *row.startReport);
    } else {
        EXPECT_EQ(boxes.count(), 0U);
    }

    boxes.clear();
    closeAndDestroy();
    EXPECT_EQ(boxes.count(), 0U);
    const std::string written = TempDir::read(settingsPath());
    EXPECT_TRUE(written == row.after) << firstDifference(written, row.after);
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"qm47.ini"});
}

const FileRow kFiles[] = {
    {"MissingSection", "; another tool's\n[Other]\nIPAddress=10.9.9.9\n", "192.168.0.25", "80",
     true, true, std::nullopt,
     "; another tool's\n[Other]\nIPAddress=10.9.9.9\n"
     "[Settings]\nIPAddress=192.168.0.25\nPort=80\nFilterEcho=1\nHexOut=1\n"},
    // The first section and its first key line count; the second section's HexOut is not ours.
    {"DuplicateSectionsAndKeys",
     "[Settings]\nIPAddress = \"10.0.0.1\"\nipaddress=10.0.0.2\nPort = 8081\n\n"
     "[SETTINGS]\nIPAddress=10.0.0.3\nPort=8082\nHexOut=0\n",
     "10.0.0.1", "8081", true, true, std::nullopt,
     "[Settings]\nIPAddress=10.0.0.1\nipaddress=10.0.0.2\nPort=8081\nFilterEcho=1\nHexOut=1\n\n"
     "[SETTINGS]\nIPAddress=10.0.0.3\nPort=8082\nHexOut=0\n"},
    {"GarbageAndBinaryBytes",
     "\0\xFF\xFE garbage \x01\n[Settings]\n\x80\x81=\x82\nIPAddress=10.0.0.9\n\0\0\0\n"
     "Port=8083\nFilterEcho=\x01\xFF\nHexOut=\xFF"
     "0\n\xFF\xFE\n"s,
     "10.0.0.9", "8083", true, true, std::nullopt,
     "\0\xFF\xFE garbage \x01\n[Settings]\n\x80\x81=\x82\nIPAddress=10.0.0.9\n\0\0\0\n"
     "Port=8083\nFilterEcho=1\nHexOut=1\n\xFF\xFE\n"s},
    {"OneMegabyteLine", "[Settings]\n;" + kMegabyte + "\nIPAddress=10.0.0.7\nPort=8084\n",
     "10.0.0.7", "8084", true, true, std::nullopt,
     "[Settings]\n;" + kMegabyte + "\nIPAddress=10.0.0.7\nPort=8084\nFilterEcho=1\nHexOut=1\n"},
    // The value is cut to 1023 characters, too long for the address check: start-up stops
    // there, and the boxes after it keep their designed values, which are what exit writes.
    {"OneMegabyteValue", "[Settings]\nIPAddress=" + kLongAddress + "\nPort=8085\n",
     kLongAddress.substr(0, 1023), "80", false, false, "Range check error.",
     "[Settings]\nIPAddress=" + kLongAddress.substr(0, 1023) +
         "\nPort=80\nFilterEcho=0\nHexOut=0\n"},
    {"Crlf", "[Settings]\r\nIPAddress=10.0.0.5\r\nPort=8086\r\n[Other]\r\nA=1\r\n", "10.0.0.5",
     "8086", true, true, std::nullopt,
     "[Settings]\r\nIPAddress=10.0.0.5\r\nPort=8086\r\nFilterEcho=1\r\nHexOut=1\r\n"
     "[Other]\r\nA=1\r\n"},
};
INSTANTIATE_TEST_SUITE_P(Rows, SettingsFileFault, ::testing::ValuesIn(kFiles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, SettingsFolderThatIsARegularFileMakesTheWriteAtExitFail) {
    const std::string notAFolder = dir.file("file");
    TempDir::write(notAFolder, "just a file\n");
    form = std::make_unique<TQM47f1>(app, socket, notAFolder + "/qm47");
    form->create();
    EXPECT_EQ(form->IPAddress.text(), "192.168.0.25");
    EXPECT_EQ(form->IPPort.text(), "80");
    EXPECT_TRUE(form->HexOutput.checked());
    EXPECT_EQ(boxes.count(), 0U);

    form->IPAddress.setText("10.0.0.1");
    closeAndDestroy();
    // The first failed write ends the writing: one report, not four.
    ASSERT_EQ(boxes.count(), 1U);
    EXPECT_EQ(boxes.boxes()[0].kind, tk::BoxKind::errorReport);
    EXPECT_EQ(boxes.boxes()[0].text, "Unable to write to " + notAFolder + "/qm47.ini.");
    EXPECT_EQ(TempDir::read(notAFolder), "just a file\n");
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"file"});
}

}  // namespace
}  // namespace testsupport
