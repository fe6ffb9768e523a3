#include "toolkit/ini_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "toolkit/error.h"
#include "toolkit/int_text.h"

namespace tk {

namespace {

constexpr std::size_t kMaxValueLength = 1023;
constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

// One line of the file as offsets into its text: [begin, contentEnd) is the line without its
// ending, [contentEnd, end) the LF or CRLF (empty on a last line without one).
struct Line {
    std::size_t begin;
    std::size_t contentEnd;
    std::size_t end;
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto lf = text.find('\n', pos);
        if (lf == std::string_view::npos) {
            lines.push_back({pos, text.size(), text.size()});
            break;
        }
        const std::size_t contentEnd = (lf > pos && text[lf - 1] == '\r') ? lf - 1 : lf;
        lines.push_back({pos, contentEnd, lf + 1});
        pos = lf + 1;
    }
    return lines;
}

enum class LineKind { Other, Section, Key };

struct Parsed {
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // raw text after the first '=' of a key line
};

Parsed parseLine(std::string_view content) {
    const auto body = trim(content);
    if (body.empty() || body.front() == ';')
        return {};
    if (body.front() == '[') {
        const auto close = body.find(']');
        const auto name = body.substr(1, close == std::string_view::npos ? body.npos : close - 1);
        return {LineKind::Section, trim(name), {}};
    }
    const auto eq = content.find('=');
    if (eq == std::string_view::npos)
        return {};
    return {LineKind::Key, trim(content.substr(0, eq)), content.substr(eq + 1)};
}

// Ends a last line that has no line ending. A bare CR at its end is part of the line, so it gets
// a CRLF of its own: a lone LF would turn that CR into the line's ending and change what the line
// says (an unclosed "[Settings<CR>" would start reading as a section header).
void endLastLine(std::string& out, std::string_view eol) {
    out.append(out.back() == '\r' ? std::string_view("\r\n") : eol);
}

// Where a key lives in the file, by line index; npos when absent.
struct Location {
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::size_t section = npos;
    std::size_t key = npos;
    std::size_t lastInSection = npos;  // last non-blank line of the section, header included
};

std::string_view lineContent(std::string_view text, const Line& line) {
    auto content = text.substr(line.begin, line.contentEnd - line.begin);
    if (line.begin == 0 && content.starts_with(kUtf8Bom))
        content.remove_prefix(kUtf8Bom.size());
    return content;
}

Location locate(std::string_view text, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
    Location loc;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto content = lineContent(text, lines[i]);
        const auto parsed = parseLine(content);
        if (parsed.kind == LineKind::Section) {
            if (loc.section != Location::npos)
                break;  // the first section of the name ended
            if (equalsNoCase(parsed.name, section))
                loc.section = loc.lastInSection = i;
            continue;
        }
        if (loc.section == Location::npos)
            continue;
        if (!trim(content).empty())
            loc.lastInSection = i;
        if (loc.key == Location::npos && parsed.kind == LineKind::Key &&
            equalsNoCase(parsed.name, key)) {
            loc.key = i;
        }
    }
    return loc;
}

std::string cleanValue(std::string_view raw) {
    auto value = trim(raw);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, kMaxValueLength));
}

// Whole contents of a regular file; nullopt when it is missing, not a regular file or
// cannot be read to its end.
std::optional<std::string> readWholeFile(const std::string& path) {
    // O_NONBLOCK so that a FIFO in the file's place cannot hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> result;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        std::string text;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                text.append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0) {
                result = std::move(text);
                break;
            } else if (errno != EINTR) {
                break;
            }
        }
    }
    ::close(fd);
    return result;
}

std::optional<std::string> lookup(const std::string& path, std::string_view section,
                                  std::string_view key) {
    const auto text = readWholeFile(path);
    if (!text)
        return std::nullopt;
    const auto lines = splitLines(*text);
    const auto loc = locate(*text, lines, section, key);
    if (loc.key == Location::npos)
        return std::nullopt;
    return cleanValue(parseLine(lineContent(*text, lines[loc.key])).value);
}

// The file's own line ending, judged by its first line; LF for a new or one-line file.
std::string_view lineEndingOf(std::string_view text) {
    const auto lf = text.find('\n');
    return (lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r') ? "\r\n" : "\n";
}

std::string withKeySet(const std::string& text, std::string_view section, std::string_view key,
                       std::string_view value) {
    const auto lines = splitLines(text);
    const auto loc = locate(text, lines, section, key);
    const auto eol = lineEndingOf(text);
    std::string keyLine;
    keyLine.append(key).append("=").append(value);

    std::string out;
    out.reserve(text.size() + keyLine.size() + section.size() + 8);
    if (loc.key != Location::npos) {
        const auto& line = lines[loc.key];
        out.append(text, 0, line.begin);
        out.append(keyLine);
        out.append(text, line.contentEnd);
    } else if (loc.section != Location::npos) {
        const auto& after = lines[loc.lastInSection];
        out.append(text, 0, after.end);
        if (after.contentEnd == after.end)
            endLastLine(out, eol);
        out.append(keyLine).append(eol);
        out.append(text, after.end);
    } else {
        out = text;
        if (!out.empty() && out.back() != '\n')
            endLastLine(out, eol);
        out.append("[").append(section).append("]").append(eol);
        out.append(keyLine).append(eol);
    }
    return out;
}

// The file a write really replaces: the target of a symbolic link, so the link survives.
std::string writeTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            std::string target(resolved);
            std::free(resolved);
            return target;
        }
    }
    return path;
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string temporaryPrefix(std::string_view base) {
    std::string prefix = ".";
    prefix.append(base).append(".tmp");
    return prefix;
}

bool allDigits(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// A writer killed between creating its sibling and the rename leaves the sibling behind, and
// each killed run would add one more. Removes the siblings of writers that no longer run; a
// live one's (ours, or another process writing the same file) is left alone.
void removeOrphanedTemporaries(const std::string& dir, std::string_view base) {
    DIR* folder = ::opendir(dir.c_str());
    if (folder == nullptr)
        return;
    const std::string prefix = temporaryPrefix(base);
    while (const dirent* entry = ::readdir(folder)) {
        std::string_view name = entry->d_name;
        if (!name.starts_with(prefix))
            continue;
        name.remove_prefix(prefix.size());
        const auto underscore = name.find('_');
        if (underscore == std::string_view::npos || underscore > 9 ||
            !allDigits(name.substr(0, underscore)) || !allDigits(name.substr(underscore + 1)))
            continue;
        const auto pid = static_cast<pid_t>(std::stol(std::string(name.substr(0, underscore))));
        if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

// Writes contents to a new sibling of target and renames it over target. False on any failure,
// with the sibling removed and target untouched.
bool replaceFile(const std::string& target, std::string_view contents,
                 const struct stat* existing) {
    const auto slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const mode_t mode = existing ? (existing->st_mode & 07777) : 0666;

    removeOrphanedTemporaries(dir, base);
    std::string temp;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = dir;
        temp.append("/").append(temporaryPrefix(base)).append(std::to_string(::getpid()));
        temp.append("_").append(std::to_string(attempt));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool ok = true;
    if (existing) {
        // Owner first: changing it may clear set-id bits that the mode then restores. The
        // owner is kept where we may; the mode bits must be exact (umask narrowed them).
        if (::fchown(fd, existing->st_uid, existing->st_gid) != 0) {
            // Not ours to change: the file then belongs to us, as any new file would.
        }
        ok = ::fchmod(fd, mode) == 0;
    }
    ok = ok && writeAll(fd, contents) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Makes the rename itself durable; the file is already complete either way.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace

TIniFile::TIniFile(std::string path) : m_path(std::move(path)) {}

std::string TIniFile::readString(std::string_view section, std::string_view key,
                                 std::string_view deflt) const {
    auto value = lookup(m_path, section, key);
    return value ? std::move(*value) : std::string(deflt);
}

std::int32_t TIniFile::readInteger(std::string_view section, std::string_view key,
                                   std::int32_t deflt) const {
    const auto value = lookup(m_path, section, key);
    if (!value)
        return deflt;
    return parseIniInteger(*value).value_or(deflt);
}

void TIniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    const auto fail = [this] { return Error("Unable to write to " + m_path); };
    value = value.substr(0, value.find_first_of("\r\n"));

    const std::string target = writeTarget(m_path);
    struct stat st {};
    std::string text;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode) || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            throw fail();
        // A file we cannot read whole must not be replaced by what little we got of it.
        auto current = readWholeFile(target);
        if (!current)
            throw fail();
        text = std::move(*current);
    } else if (errno != ENOENT) {
        throw fail();
    }
    if (!replaceFile(target, withKeySet(text, section, key, value), exists ? &st : nullptr)) {
        throw fail();
    }
}

}  // namespace tk
