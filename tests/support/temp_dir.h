// A private folder under /tmp, removed with everything in it when the test ends.
#pragma once

#include <string>

namespace testsupport {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    static std::string read(const std::string& path);  // "" when missing
    static void write(const std::string& path, const std::string& contents);

  private:
    std::string path_;
};

}  // namespace testsupport
