// The settings file: a small ini text file of "[Section]" headers and "key=value" lines.
//
// Nothing is cached and no handle is kept: every read opens, reads and closes the file, and
// every write rewrites the whole file. That suits a file read once at start and written once at
// the end; it is not meant for files written by several processes at once (the last writer
// wins) nor for frequent access.
//
// Reading: section and key names match without regard to ASCII letter case; only the first
// section of a name and, in it, the first line of a key count. A value is the text after the
// first '=' of its line, blanks (spaces, tabs) trimmed at both ends, one pair of matching
// enclosing quotes (' or ") removed, and cut to 1023 characters. Lines end in LF or CRLF; a
// UTF-8 byte order mark before the first line is ignored. Lines before the first section,
// comments (';'), lines without '=' and stray bytes are skipped.
//
// Writing sets one key and keeps every other byte of the file. It goes to a temporary sibling
// that is synced and renamed over the file, so a failure leaves the old file whole. A file
// whose mode has no write bit counts as read-only even for root. A value cannot span lines:
// it is cut at its first CR or LF, which is also all that a reader would take of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tk {

class TIniFile {
  public:
    explicit TIniFile(std::string path);

    const std::string& fileName() const { return m_path; }

    // The value, or deflt when the file, the section or the key is missing or unreadable.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view deflt) const;

    // The value read by parseIniInteger, or deflt when it is missing or no number.
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t deflt) const;

    // Replaces the key's line, or adds it at the end of its section, or adds the section at
    // the end of the file, creating the file if needed. Throws tk::Error
    // "Unable to write to <path>" when the file is read-only or cannot be replaced; the old
    // contents are then left as they were.
    void writeString(std::string_view section, std::string_view key, std::string_view value);

  private:
    std::string m_path;
};

}  // namespace tk
