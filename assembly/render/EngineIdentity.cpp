#include "EngineIdentity.h"

#include <link.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "common/AtomicWrite.h"
#include "common/DebugLog.h"
#include "common/Digest.h"
#include "common/FileBytes.h"
#include "page/PageRender.h"

namespace quill {

namespace {

// The loaded objects whose files make up the engine.
constexpr const char* kEngineFiles[] = {"libwkhtmltox", "libQt5WebKit."};

// "size mtime" of a file, or an empty text when it cannot be read.
std::string FileStamp(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return "";
    }
    return std::to_string(info.st_size) + " " + std::to_string(info.st_mtim.tv_sec) + "." +
           std::to_string(info.st_mtim.tv_nsec);
}

int CollectEngineFile(dl_phdr_info* info, size_t, void* data) {
    const std::string name = info->dlpi_name != nullptr ? info->dlpi_name : "";
    for (const char* part : kEngineFiles) {
        if (name.find(part) != std::string::npos) {
            static_cast<std::vector<std::string>*>(data)->push_back(name);
        }
    }
    return 0;
}

// Loads the engine library (without starting it) and describes it: its version, then one
// line per engine file with its stamp.
std::string DescribeLoadedEngine() {
    std::string description = "version " + EngineVersion() + "\n";
    std::vector<std::string> files;
    dl_iterate_phdr(&CollectEngineFile, &files);
    for (const std::string& file : files) {
        description += file + "\t" + FileStamp(file) + "\n";
    }
    return description;
}

// Whether every engine file a record names is still the same.
bool StillCurrent(const std::string& record) {
    std::istringstream lines(record);
    std::string line;
    if (!std::getline(lines, line) || line.rfind("version ", 0) != 0) {
        return false;
    }
    int files = 0;
    while (std::getline(lines, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos || FileStamp(line.substr(0, tab)) != line.substr(tab + 1)) {
            return false;
        }
        ++files;
    }
    return files > 0;
}

// The record as it is kept: the description, then the digest of the description, so that a
// record cut short or written into is looked at afresh rather than believed.
constexpr char kDigestField[] = "sha256 ";

std::string Sealed(const std::string& description) {
    return description + kDigestField + Sha256Hex(description) + "\n";
}

// The description in a kept record; empty when the record fails its digest.
std::string Unsealed(const std::string& record) {
    const size_t field = record.rfind(kDigestField);
    if (field == std::string::npos || (field > 0 && record[field - 1] != '\n')) {
        return "";
    }
    const std::string description = record.substr(0, field);
    return Sealed(description) == record ? description : "";
}

std::string RecordPath(const std::string& cacheFolder, const std::string& library,
                       const std::string& renderer) {
    const char* searchPath = std::getenv("LD_LIBRARY_PATH");
    const std::string what = library + "\n" + (searchPath != nullptr ? searchPath : "") + "\n" +
                             renderer + "\t" + FileStamp(renderer);
    return cacheFolder + "/engine-" + Sha256Hex(what).substr(0, 16) + ".txt";
}

}  // namespace

std::string EngineIdentity(const std::string& cacheFolder, const std::string& library,
                           const std::string& renderer) {
    const std::string recordPath = RecordPath(cacheFolder, library, renderer);
    try {
        const std::string record = Unsealed(ReadFileBytes(recordPath));
        if (StillCurrent(record)) {
            return record;
        }
    } catch (const std::exception&) {
        // No record yet: the engine is looked at below.
    }
    const std::string description = DescribeLoadedEngine();
    try {
        std::filesystem::create_directories(cacheFolder);
        WriteFileAtomic(recordPath, Sealed(description));
    } catch (const std::exception& e) {
        DebugLog(std::string("render cache: engine record not kept: ") + e.what());
    }
    return description;
}

}  // namespace quill
