#include "support/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace quill::test {
namespace fs = std::filesystem;
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

// Tests make folders read-only to provoke write failures; give the owner full rights back
// first so that the removal cannot fail on them.
void MakeRemovable(const fs::path& dir) {
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            MakeRemovable(it->path());
        }
    }
}

}  // namespace

TempDir::TempDir(const std::string& suffix) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillby-test-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        Fail("cannot create a folder from", pattern);
    }
    root_ = pattern;
    path_ = root_;
    if (!suffix.empty()) {
        path_ = root_ + "/" + suffix;
        if (mkdir(path_.c_str(), 0700) != 0) {
            Fail("cannot create", path_);
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    MakeRemovable(root_);
    fs::remove_all(root_, ec);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Fail("cannot open", path);
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        Fail("cannot read", path);
    }
    return content.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        Fail("cannot create", path);
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        Fail("cannot write", path);
    }
}

std::vector<std::string> ListDir(const std::string& path) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    if (ec) {
        throw std::runtime_error("cannot list " + path + ": " + ec.message());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace quill::test
