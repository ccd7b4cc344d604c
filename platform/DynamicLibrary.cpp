#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <cerrno>

namespace platform {

void DynamicLibrary::Closer::operator()(void* handle) const {
    dlclose(handle);
}

bool DynamicLibrary::Open(const std::string& fileName) {
    Close();
    dlerror();
    errno = 0;
    void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        lastErrorCode_ = errno != 0 ? errno : ENOENT;
        const char* text = dlerror();
        lastError_ = text != nullptr ? text : "cannot load " + fileName;
        return false;
    }
    handle_.reset(handle);
    lastError_.clear();
    lastErrorCode_ = 0;
    return true;
}

void DynamicLibrary::Close() {
    handle_.reset();
}

void* DynamicLibrary::Symbol(const std::string& name) const {
    if (!handle_) {
        return nullptr;
    }
    return dlsym(handle_.get(), name.c_str());
}

std::string LibraryFileName(const std::string& baseName) {
    return "lib" + baseName + ".so";
}

}  // namespace platform
