#pragma once

#include <string>
#include <vector>

namespace quill::test {

// A fresh folder below $TMPDIR (or /tmp), removed with everything in it by the destructor.
// A suffix such as "Zoë’s books" becomes the folder's own name, so tests can put blanks
// and non-ASCII letters into the paths the code under test sees.
class TempDir {
  public:
    explicit TempDir(const std::string& suffix = "");
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string root_;
    std::string path_;
};

// Whole files as bytes; both throw std::runtime_error on failure.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// The names in a folder, sorted, without "." and "..".
std::vector<std::string> ListDir(const std::string& path);

}  // namespace quill::test
