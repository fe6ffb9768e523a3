// The settings file with any contents. Look-ups of the names the file itself holds must not
// fail, and writing one key must read back as written and leave every other key as it was.
//
// Input: "section NUL key NUL value NUL contents"; with fewer than three NULs the whole input
// is the contents and the program's own IPAddress key is written. The file lives on /dev/shm
// (or in TMPDIR) so that the writer's fsync costs nothing.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "toolkit/error.h"
#include "toolkit/ini_file.h"

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Names the reader can find again, as they would be written: one line, no outer blanks, and
// nothing that makes the line read as something else.
bool plainSection(std::string_view s) {
    return s.find_first_of("\r\n]") == std::string_view::npos && trimmed(s) == s;
}
bool plainKey(std::string_view k) {
    return k.find_first_of("\r\n=") == std::string_view::npos && trimmed(k) == k &&
           !k.starts_with('[') && !k.starts_with(';');
}

// What a reader gets back for `value`: one line, blanks trimmed, one pair of enclosing quotes
// removed, 1023 characters at most.
std::string readBack(std::string_view value) {
    value = trimmed(value.substr(0, value.find_first_of("\r\n")));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, 1023));
}

// A few section and key names that appear in `contents`, for look-ups that can hit.
void namesIn(std::string_view contents, std::vector<std::string>& sections,
             std::vector<std::string>& keys) {
    sections = {"Settings"};
    keys = {"IPAddress"};
    std::size_t from = 0;
    while (from < contents.size() && (sections.size() < 3 || keys.size() < 3)) {
        const auto lf = contents.find('\n', from);
        const auto line =
            trimmed(contents.substr(from, lf == std::string_view::npos ? lf : lf - from));
        from = lf == std::string_view::npos ? contents.size() : lf + 1;
        if (line.starts_with('[') && sections.size() < 3) {
            sections.emplace_back(trimmed(line.substr(1, line.find(']') - 1)));
        } else if (const auto eq = line.find('=');
                   eq != std::string_view::npos && keys.size() < 3) {
            keys.emplace_back(trimmed(line.substr(0, eq)));
        }
    }
}

// The settings file of one input, removed when the input is done: libFuzzer ends a run
// without running destructors of statics, so nothing may outlive the input.
class ScratchFile {
  public:
    explicit ScratchFile(std::string_view contents) {
        static const std::string path = [] {
            const char* base = std::getenv("TMPDIR");
            std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : base ? base : "/tmp";
            return folder + "/qm47-fuzz-" + std::to_string(getpid()) + ".ini";
        }();
        path_ = path;
        const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        FUZZ_CHECK(fd >= 0);
        FUZZ_CHECK(write(fd, contents.data(), contents.size()) ==
                   static_cast<ssize_t>(contents.size()));
        close(fd);
    }
    ~ScratchFile() { unlink(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view section = "Settings";
    std::string_view key = "IPAddress";
    std::string_view value = "127.0.0.1";
    std::string_view contents = input;
    if (const auto a = input.find('\0'); a != std::string_view::npos) {
        if (const auto b = input.find('\0', a + 1); b != std::string_view::npos) {
            if (const auto c = input.find('\0', b + 1); c != std::string_view::npos) {
                section = input.substr(0, a);
                key = input.substr(a + 1, b - a - 1);
                value = input.substr(b + 1, c - b - 1);
                contents = input.substr(c + 1);
            }
        }
    }

    const ScratchFile file(contents);
    tk::TIniFile ini(file.path());
    std::vector<std::string> sections;
    std::vector<std::string> keys;
    namesIn(contents, sections, keys);
    sections.emplace_back(section);
    keys.emplace_back(key);

    // A line that is never a value: the default shows when nothing was found.
    constexpr std::string_view kMissing = "\n";
    std::vector<std::pair<std::pair<std::string, std::string>, std::string>> before;
    for (const auto& s : sections) {
        for (const auto& k : keys) {
            before.push_back({{s, k}, ini.readString(s, k, kMissing)});
            (void)ini.readInteger(s, k, 0);
        }
    }

    try {
        ini.writeString(section, key, value);
    } catch (const tk::Error&) {
        FUZZ_CHECK(!"a regular writable file must take the write");
    }
    if (!plainSection(section) || !plainKey(key)) {
        return 0;
    }
    FUZZ_CHECK(ini.readString(section, key, kMissing) == readBack(value));

    // A last line ending in a bare CR keeps it in its value until a write ends that line.
    if (contents.ends_with('\r')) {
        return 0;
    }
    for (const auto& [name, was] : before) {
        if (!(sameName(name.first, section) && sameName(name.second, key))) {
            FUZZ_CHECK(ini.readString(name.first, name.second, kMissing) == was);
        }
    }
    return 0;
}
