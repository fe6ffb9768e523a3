// Start-up from the settings file and the file written back at the end.
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "tests/app/window_fixture.h"
#include "toolkit/ini_file.h"

namespace testsupport {
namespace {

struct StartRow {
    const char* name;
    std::optional<std::string> settings;
    std::string address;
    std::string port;
    bool filterEcho;
    bool hexOut;
    bool connectEnabled;
};

class StartUp : public WindowTest, public ::testing::WithParamInterface<StartRow> {};

TEST_P(StartUp, AppliesTheSettingsAndTheChecksTheyRun) {
    const StartRow& row = GetParam();
    TQM47f1& f = start(row.settings);
    EXPECT_EQ(f.IPAddress.text(), row.address);
    EXPECT_EQ(f.IPPort.text(), row.port);
    EXPECT_EQ(f.NVTFiltr.checked(), row.filterEcho);
    EXPECT_EQ(f.HexOutput.checked(), row.hexOut);
    EXPECT_EQ(f.buConnect.enabled(), row.connectEnabled);
    EXPECT_EQ(f.caption(),
              "I/O Controller Exerciser (QM47) qm47.example.org (Version: 18 June 2005)");
    EXPECT_EQ(app.title(), "QM47");
    EXPECT_EQ(boxes.count(), 0U);
    // Reading creates nothing.
    EXPECT_EQ(row.settings.has_value(), ::access(settingsPath().c_str(), F_OK) == 0);
}

const StartRow kStarts[] = {
    {"NoFile", std::nullopt, "192.168.0.25", "80", true, true, true},
    {"NoSection", "[Other]\nIPAddress=1.2.3.4\n", "192.168.0.25", "80", true, true, true},
    {"InvalidAddressPort8080", "[Settings]\nIPAddress=bad\nPort=8080\n", "bad", "8080", true, true,
     true},
    {"InvalidAddressPort80", "[Settings]\nIPAddress=bad\nPort=80\n", "bad", "80", true, true,
     false},
    {"DesignedAddressPort80", "[Settings]\nIPAddress=IPAddress\nPort=80\n", "IPAddress", "80", true,
     true, false},
    {"ValidAddressBadPort", "[Settings]\nIPAddress=10.0.0.1\nPort=x\n", "10.0.0.1", "x", true, true,
     false},
    {"BothFlagsOff", "[settings]\nipaddress=10.0.0.1\nFILTERECHO=0\nhexout=0\n", "10.0.0.1", "80",
     false, false, true},
};
INSTANTIATE_TEST_SUITE_P(Rows, StartUp, ::testing::ValuesIn(kStarts),
                         [](const auto& info) { return std::string(info.param.name); });

struct FlagRow {
    const char* name;
    const char* value;
    bool ticked;
};

class FlagValue : public WindowTest, public ::testing::WithParamInterface<FlagRow> {};

TEST_P(FlagValue, ReadsAsAnIntegerWithTickedAsDefault) {
    TQM47f1& f = start(std::string("[Settings]\nFilterEcho=") + GetParam().value + "\n");
    EXPECT_EQ(f.NVTFiltr.checked(), GetParam().ticked);
}

const FlagRow kFlags[] = {
    {"Zero", "0", false},
    {"DollarZero", "$0", false},
    {"HexZero", "0x0", false},
    {"One", "1", true},
    {"Two", "2", true},
    {"MinusOne", "-1", true},
    {"HexOne", "0x1", true},
    {"Letters", "abc", true},
    {"BarePrefix", "0x", true},
    {"Empty", "", true},
    {"QuotedZero", "\"0\"", false},
};
INSTANTIATE_TEST_SUITE_P(Rows, FlagValue, ::testing::ValuesIn(kFlags),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, OverlongStoredAddressReportsAndSkipsTheRestOfStartUp) {
    TQM47f1& f =
        start("[Settings]\nIPAddress=" + std::string(300, '1') + "\nPort=8080\nFilterEcho=1\n");
    ASSERT_EQ(boxes.count(), 1U);
    EXPECT_EQ(boxes.boxes()[0].kind, tk::BoxKind::errorReport);
    EXPECT_EQ(boxes.boxes()[0].text, "Range check error.");
    EXPECT_EQ(f.IPPort.text(), "80");
    EXPECT_FALSE(f.NVTFiltr.checked());
    EXPECT_EQ(f.caption(), "QM47f1");
    // The window still runs: a click does what it should.
    f.ClearBtn.operatorClick();
    EXPECT_TRUE(f.Memo.lines().empty());
}

TEST_F(WindowTest, FirstRunWritesTheFourKeysInOrderAtTheEnd) {
    start();
    closeAndDestroy();
    EXPECT_EQ(TempDir::read(settingsPath()),
              "[Settings]\nIPAddress=192.168.0.25\nPort=80\nFilterEcho=1\nHexOut=1\n");
}

TEST_F(WindowTest, TextsAreStoredUnchangedAndOtherLinesKept) {
    TQM47f1& f = start("; kept\r\n[Settings]\r\nPort=80\r\nExtra=yes\r\n[Other]\r\nA=1\r\n");
    f.IPAddress.setText(" not an address ");
    f.IPPort.setText("");
    f.HexOutput.setChecked(false);
    closeAndDestroy();
    const std::string written = TempDir::read(settingsPath());
    EXPECT_NE(written.find("; kept\r\n"), std::string::npos);
    EXPECT_NE(written.find("Extra=yes\r\n"), std::string::npos);
    EXPECT_NE(written.find("[Other]\r\nA=1\r\n"), std::string::npos);
    tk::TIniFile check(settingsPath());
    EXPECT_EQ(check.readString("Settings", "Port", "missing"), "");
    EXPECT_EQ(check.readInteger("Settings", "HexOut", 7), 0);
    EXPECT_EQ(check.readInteger("Settings", "FilterEcho", 7), 1);
    // Blanks at the ends of a value do not survive an ini file; the text between does.
    EXPECT_EQ(check.readString("Settings", "IPAddress", ""), "not an address");
}

TEST_F(WindowTest, ReadOnlySettingsFileIsReportedAndKept) {
    const std::string old = "[Settings]\nIPAddress=10.1.1.1\n";
    start(old);
    ASSERT_EQ(::chmod(settingsPath().c_str(), 0444), 0);
    form->IPAddress.setText("10.2.2.2");
    closeAndDestroy();
    ASSERT_EQ(boxes.count(), 1U);
    EXPECT_EQ(boxes.boxes()[0].kind, tk::BoxKind::errorReport);
    EXPECT_EQ(boxes.boxes()[0].text, "Unable to write to " + settingsPath() + ".");
    EXPECT_EQ(TempDir::read(settingsPath()), old);
}

TEST_F(WindowTest, ClosingALiveSessionClosesTheSocketBeforeTheSettingsAreWritten) {
    startLive();
    form->CloseBtn.operatorClick();
    EXPECT_TRUE(loop.quitting());
    ASSERT_EQ(socket.calls, std::vector<std::string>{"close"});
    EXPECT_EQ(socket.state(), tk::net::wsClosed);
    form.reset();
    EXPECT_NE(TempDir::read(settingsPath()).find("IPAddress=127.0.0.1"), std::string::npos);
}

TEST(SettingsFileName, ReplacesTheProgramsExtension) {
    EXPECT_EQ(settingsFileFor("/opt/x/qm47"), "/opt/x/qm47.ini");
    EXPECT_EQ(settingsFileFor("/opt/x/qm47.exe"), "/opt/x/qm47.ini");
    EXPECT_EQ(settingsFileFor("/opt/x.d/qm47"), "/opt/x.d/qm47.ini");
    EXPECT_EQ(settingsFileFor("/opt/x/qm.47.bin"), "/opt/x/qm.47.ini");
}

}  // namespace
}  // namespace testsupport
