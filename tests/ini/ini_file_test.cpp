#include "toolkit/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "toolkit/error.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A fresh folder under /tmp per test, removed with everything in it afterwards.
class TempDir {
  public:
    TempDir() {
        std::string pattern = "/tmp/qm47-ini-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_root = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path(const std::string& name) const { return (m_root / name).string(); }

    std::set<std::string> names() const {
        std::set<std::string> result;
        for (const auto& entry : fs::directory_iterator(m_root)) {
            result.insert(entry.path().filename().string());
        }
        return result;
    }

  private:
    fs::path m_root;
};

void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    ASSERT_TRUE(out.good()) << path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

class IniFileTest : public testing::Test {
  protected:
    TempDir dir;
    std::string settings = dir.path("qm47.ini");
};

// ---- Reading ----

struct ReadCase {
    std::string name;
    std::string contents;
    std::string expected;  // "<default>" when the key is not found
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class IniRead : public IniFileTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(IniRead, FindsTheFirstMatchingValue) {
    writeFile(settings, GetParam().contents);
    EXPECT_EQ(tk::TIniFile(settings).readString("Settings", "Port", "<default>"),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IniRead,
    testing::ValuesIn(std::vector<ReadCase>{
        {"Plain", "[Settings]\nPort=80\n", "80"},
        {"NamesIgnoreCase", "[sETTINGS]\nport=81\n", "81"},
        {"BlanksAroundNamesAndValue", "  [ Settings ]\n  Port  =   82  \n", "82"},
        {"TabsTrimmed", "[Settings]\n\tPort\t=\t83\t\n", "83"},
        {"InnerBlanksKept", "[Settings]\nPort= a  b \n", "a  b"},
        {"DoubleQuotesRemoved", "[Settings]\nPort=\" x \"\n", " x "},
        {"SingleQuotesRemoved", "[Settings]\nPort='y'\n", "y"},
        {"QuotesAfterTrimming", "[Settings]\nPort=  'y'  \n", "y"},
        {"OnlyOnePairRemoved", "[Settings]\nPort=\"\"z\"\"\n", "\"z\""},
        {"MismatchedQuotesKept", "[Settings]\nPort=\"z'\n", "\"z'"},
        {"LoneQuoteKept", "[Settings]\nPort=\"\n", "\""},
        {"EmptyQuotes", "[Settings]\nPort=''\n", ""},
        {"EmptyValueIsFound", "[Settings]\nPort=\n", ""},
        {"ValueKeepsLaterEquals", "[Settings]\nPort=a=b\n", "a=b"},
        {"Crlf", "[Settings]\r\nPort=84\r\n", "84"},
        {"NoFinalLineEnd", "[Settings]\nPort=85", "85"},
        {"ByteOrderMark", "\xEF\xBB\xBF[Settings]\nPort=86\n", "86"},
        {"FirstKeyWins", "[Settings]\nPort=1\nPORT=2\n", "1"},
        {"FirstSectionWins", "[Settings]\nPort=1\n[settings]\nPort=2\n", "1"},
        {"LongerKeyIsAnotherKey", "[Settings]\nPorts=1\nPort Number=2\nPort=3\n", "3"},
        {"KeyOfAnotherSection", "[Other]\nPort=1\n[Settings]\nA=1\n", "<default>"},
        {"KeyBeforeAnySection", "Port=1\n[Settings]\nA=1\n", "<default>"},
        {"CommentedOut", "[Settings]\n;Port=1\n  ; Port=2\n", "<default>"},
        {"SectionMissing", "[Other]\nA=1\n", "<default>"},
        {"EmptyFile", "", "<default>"},
        {"GarbageAndBinaryBytes",
         "\0\xff\xfe junk\n==\n[\n]]\n[Settings]\n\x01\x02=\x03\0\nno equals sign\n"
         "=orphan\n\r\r\nPort=87\n"s,
         "87"},
    }),
    [](const auto& info) { return info.param.name; });

TEST_F(IniFileTest, ValueIsCutAfter1023Characters) {
    const std::string exact(1023, 'a');
    const struct {
        const char* name;
        std::string stored;
        std::string expected;
    } rows[] = {
        {"exactly 1023", exact, exact},
        {"longer", exact + "bcd", exact},
        {"quoted, cut after unquoting", "\"" + exact + "b\"", exact},
        {"one megabyte", std::string(1 << 20, 'c'), std::string(1023, 'c')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(settings, "[Settings]\nPort=" + row.stored + "\n");
        EXPECT_EQ(tk::TIniFile(settings).readString("Settings", "Port", ""), row.expected);
    }
}

TEST_F(IniFileTest, MegabyteLinesAroundTheKeyDoNotHideIt) {
    const std::string junk(1 << 20, '\xA5');
    writeFile(settings, junk + "\n[Settings]\n" + junk + "\nPort=88\n" + junk);
    EXPECT_EQ(tk::TIniFile(settings).readString("Settings", "Port", ""), "88");
}

TEST_F(IniFileTest, MissingOrUnreadableFileGivesTheDefault) {
    EXPECT_EQ(tk::TIniFile(settings).readString("Settings", "Port", "80"), "80");
    EXPECT_EQ(tk::TIniFile(dir.path("")).readString("Settings", "Port", "80"), "80");  // a folder
    EXPECT_EQ(tk::TIniFile(settings).readInteger("Settings", "HexOut", 1), 1);
    EXPECT_FALSE(fs::exists(settings)) << "reading must not create the file";
}

TEST_F(IniFileTest, ReadsTheFileAtEachCall) {
    const tk::TIniFile ini(settings);
    writeFile(settings, "[Settings]\nPort=1\n");
    EXPECT_EQ(ini.readString("Settings", "Port", ""), "1");
    writeFile(settings, "[Settings]\nPort=2\n");
    EXPECT_EQ(ini.readString("Settings", "Port", ""), "2");
}

TEST_F(IniFileTest, ReadIntegerUsesTheCleanedValue) {
    writeFile(settings,
              "[Settings]\nZero=0\nDollarZero=$0\nZeroXZero=0x0\nOne=1\nTwo=2\nMinusOne=-1\n"
              "ZeroXOne=0x1\nLetters=abc\nZeroX=0x\nEmpty=\nSpaced=  0x10  \nQuoted='0'\n"
              "Big=2147483648\n");
    const struct {
        const char* key;
        std::int32_t expected;
    } rows[] = {
        {"Zero", 0},      {"DollarZero", 0}, {"ZeroXZero", 0}, {"One", 1},     {"Two", 2},
        {"MinusOne", -1}, {"ZeroXOne", 1},   {"Letters", -5},  {"ZeroX", -5},  {"Empty", -5},
        {"Spaced", 16},   {"Quoted", 0},     {"Big", -5},      {"Absent", -5},
    };
    const tk::TIniFile ini(settings);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(ini.readInteger("Settings", row.key, -5), row.expected);
    }
}

// ---- Writing ----

struct WriteCase {
    std::string name;
    std::optional<std::string> before;  // nullopt: no file yet
    std::string key;
    std::string value;
    std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class IniWrite : public IniFileTest, public testing::WithParamInterface<WriteCase> {};

TEST_P(IniWrite, SetsOneLineAndKeepsTheRest) {
    const auto& row = GetParam();
    if (row.before)
        writeFile(settings, *row.before);
    tk::TIniFile(settings).writeString("Settings", row.key, row.value);
    EXPECT_EQ(readFile(settings), row.after);
    EXPECT_EQ(dir.names(), std::set<std::string>{"qm47.ini"}) << "temporary file left behind";
}

const std::string kBinaryLine = "\0\xff\x01 stays\xfe"s;

INSTANTIATE_TEST_SUITE_P(
    Rows, IniWrite,
    testing::ValuesIn(std::vector<WriteCase>{
        {"ReplacesTheKeyLine",
         "; head\n[Other]\nPort=1\n\n[Settings]\n  port = old \nHexOut=0\n\n[Tail]\nX=y", "Port",
         "new", "; head\n[Other]\nPort=1\n\n[Settings]\nPort=new\nHexOut=0\n\n[Tail]\nX=y"},
        {"KeepsCrlf", "[Settings]\r\nPort=1\r\nHexOut=0\r\n", "Port", "2",
         "[Settings]\r\nPort=2\r\nHexOut=0\r\n"},
        {"ReplacesOnlyTheFirstOccurrence", "[Settings]\nPort=1\nPort=2\n[SETTINGS]\nPort=3\n",
         "port", "9", "[Settings]\nport=9\nPort=2\n[SETTINGS]\nPort=3\n"},
        {"KeepsBinaryLines", "[Settings]\n" + kBinaryLine + "\nPort=1\n" + kBinaryLine, "Port", "2",
         "[Settings]\n" + kBinaryLine + "\nPort=2\n" + kBinaryLine},
        {"AddsKeyAfterTheSectionsLastLine", "[Settings]\nPort=1\n\n[Other]\nA=1\n", "HexOut", "1",
         "[Settings]\nPort=1\nHexOut=1\n\n[Other]\nA=1\n"},
        {"AddsKeyWithCrlf", "[Settings]\r\nPort=1\r\n\r\n[Other]\r\n", "HexOut", "1",
         "[Settings]\r\nPort=1\r\nHexOut=1\r\n\r\n[Other]\r\n"},
        {"AddsKeyAfterCommentNotForIt", "[Settings]\n;Port=1\n", "Port", "2",
         "[Settings]\n;Port=1\nPort=2\n"},
        {"AddsKeyBesideSameKeyOfOtherSection", "[Other]\nPort=1\n[Settings]\nA=1\n", "Port", "2",
         "[Other]\nPort=1\n[Settings]\nA=1\nPort=2\n"},
        {"AddsKeyToEmptySection", "[Settings]\n", "HexOut", "1", "[Settings]\nHexOut=1\n"},
        {"AddsKeyAfterLastLineWithoutEnding", "[Settings]\nPort=1", "HexOut", "1",
         "[Settings]\nPort=1\nHexOut=1\n"},
        {"AddsSection", "[Other]\nA=1\n", "Port", "80", "[Other]\nA=1\n[Settings]\nPort=80\n"},
        {"AddsSectionAfterLastLineWithoutEnding", "[Other]\nA=1", "Port", "80",
         "[Other]\nA=1\n[Settings]\nPort=80\n"},
        {"LastLineEndingInABareCrKeepsIt", "[Other]\nA=1\n[Settings\r", "Port", "80",
         "[Other]\nA=1\n[Settings\r\r\n[Settings]\nPort=80\n"},
        {"AddsSectionWithCrlf", "[Other]\r\nA=1\r\n", "Port", "80",
         "[Other]\r\nA=1\r\n[Settings]\r\nPort=80\r\n"},
        {"FillsEmptyFile", "", "Port", "80", "[Settings]\nPort=80\n"},
        {"CreatesFile", std::nullopt, "Port", "80", "[Settings]\nPort=80\n"},
        {"WritesValueUnchanged", "[Settings]\nPort=1\n", "Port", " '8080' ",
         "[Settings]\nPort= '8080' \n"},
        {"LineBreakCannotAddLines", "[Settings]\nPort=1\nHexOut=0\n", "Port",
         "81\n[Settings]\nHexOut=1", "[Settings]\nPort=81\nHexOut=0\n"},
    }),
    [](const auto& info) { return info.param.name; });

TEST_F(IniFileTest, SettingsWrittenInOrderIntoANewFile) {
    tk::TIniFile ini(settings);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "new file" : "rewritten");
        ini.writeString("Settings", "IPAddress", "192.168.0.25");
        ini.writeString("Settings", "Port", "80");
        ini.writeString("Settings", "FilterEcho", "1");
        ini.writeString("Settings", "HexOut", "1");
        EXPECT_EQ(readFile(settings),
                  "[Settings]\nIPAddress=192.168.0.25\nPort=80\nFilterEcho=1\nHexOut=1\n");
        EXPECT_EQ(ini.readString("settings", "ipaddress", ""), "192.168.0.25");
        EXPECT_EQ(dir.names(), std::set<std::string>{"qm47.ini"});
    }
}

TEST_F(IniFileTest, WriteKeepsTheModeBits) {
    writeFile(settings, "[Settings]\nPort=1\n");
    // Bits the umask would strip from a newly created file must survive as well.
    ASSERT_EQ(::chmod(settings.c_str(), 0646), 0);
    const mode_t oldMask = ::umask(022);
    tk::TIniFile(settings).writeString("Settings", "Port", "2");
    ::umask(oldMask);
    EXPECT_EQ(modeOf(settings), 0646u);
    EXPECT_EQ(readFile(settings), "[Settings]\nPort=2\n");
}

TEST_F(IniFileTest, WriteThroughSymbolicLinkKeepsTheLink) {
    const auto target = dir.path("real.ini");
    writeFile(target, "[Settings]\nPort=1\n");
    ASSERT_EQ(::symlink(target.c_str(), settings.c_str()), 0);
    tk::TIniFile(settings).writeString("Settings", "Port", "2");
    EXPECT_TRUE(fs::is_symlink(settings));
    EXPECT_EQ(readFile(target), "[Settings]\nPort=2\n");
}

struct RefusedCase {
    std::string name;
    std::function<std::string(const TempDir&)> prepare;  // returns the path to write
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class IniWriteRefused : public testing::TestWithParam<RefusedCase> {};

TEST_P(IniWriteRefused, ThrowsAndLeavesEverythingAsItWas) {
    TempDir dir;
    const auto path = GetParam().prepare(dir);
    const auto namesBefore = dir.names();
    const auto contentsBefore = readFile(path);
    try {
        tk::TIniFile(path).writeString("Settings", "Port", "2");
        ADD_FAILURE() << "write succeeded";
    } catch (const tk::Error& e) {
        EXPECT_STREQ(e.what(), ("Unable to write to " + path).c_str());
    }
    EXPECT_EQ(readFile(path), contentsBefore);
    EXPECT_EQ(dir.names(), namesBefore);
}

std::string readOnlyFile(const TempDir& dir, mode_t mode) {
    auto path = dir.path("qm47.ini");
    writeFile(path, "[Settings]\nPort=1\n");
    EXPECT_EQ(::chmod(path.c_str(), mode), 0);
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IniWriteRefused,
    testing::ValuesIn(std::vector<RefusedCase>{
        {"ReadOnlyFile", [](const TempDir& d) { return readOnlyFile(d, 0444); }},
        {"NoWriteBitAtAll", [](const TempDir& d) { return readOnlyFile(d, 0555); }},
        {"ParentIsARegularFile",
         [](const TempDir& d) {
             writeFile(d.path("plain"), "not a folder");
             return d.path("plain") + "/qm47.ini";
         }},
        {"PathIsAFolder",
         [](const TempDir& d) {
             fs::create_directory(d.path("qm47.ini"));
             return d.path("qm47.ini");
         }},
    }),
    [](const auto& info) { return info.param.name; });

}  // namespace
