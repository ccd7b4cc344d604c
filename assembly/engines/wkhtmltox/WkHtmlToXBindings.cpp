#include "wkhtmltox/WkHtmlToXBindings.h"

#include <array>
#include <mutex>

#include "platform/DynamicLibrary.h"
#include "wkhtmltox/WkHtmlToXConsts.h"
#include "wkhtmltox/WkHtmlToXCore.h"

namespace quill::wk {

namespace {

constexpr size_t kEntryCount = static_cast<size_t>(WkEntry::Count);

constexpr std::array<const char*, kEntryCount> kEntryNames = {
    "wkhtmltopdf_init",
    "wkhtmltopdf_deinit",
    "wkhtmltopdf_extended_qt",
    "wkhtmltopdf_version",
    "wkhtmltopdf_create_global_settings",
    "wkhtmltopdf_destroy_global_settings",
    "wkhtmltopdf_create_object_settings",
    "wkhtmltopdf_destroy_object_settings",
    "wkhtmltopdf_set_global_setting",
    "wkhtmltopdf_get_global_setting",
    "wkhtmltopdf_set_object_setting",
    "wkhtmltopdf_get_object_setting",
    "wkhtmltopdf_create_converter",
    "wkhtmltopdf_destroy_converter",
    "wkhtmltopdf_set_warning_callback",
    "wkhtmltopdf_set_error_callback",
    "wkhtmltopdf_set_phase_changed_callback",
    "wkhtmltopdf_set_progress_changed_callback",
    "wkhtmltopdf_set_finished_callback",
    "wkhtmltopdf_convert",
    "wkhtmltopdf_add_object",
    "wkhtmltopdf_current_phase",
    "wkhtmltopdf_phase_count",
    "wkhtmltopdf_phase_description",
    "wkhtmltopdf_progress_string",
    "wkhtmltopdf_http_error_code",
    "wkhtmltopdf_get_output",
};

struct LibraryState {
    std::mutex lock;
    std::string fileName = platform::LibraryFileName("wkhtmltox");
    platform::DynamicLibrary library;
    std::array<void*, kEntryCount> entries{};
};

// Never destroyed: the library must stay mapped while Qt's own exit handlers, which live
// inside it, still run; FinalizeWkHtmlToX unloads it explicitly when that is safe.
LibraryState& State() {
    static auto* state = new LibraryState;
    return *state;
}

}  // namespace

const char* WkEntryName(WkEntry entry) {
    return kEntryNames.at(static_cast<size_t>(entry));
}

void SetWkHtmlToXLibraryName(const std::string& fileName) {
    std::lock_guard<std::mutex> guard(State().lock);
    State().fileName = fileName;
}

std::string WkHtmlToXLibraryName() {
    std::lock_guard<std::mutex> guard(State().lock);
    return State().fileName;
}

bool LoadWkHtmlToX() {
    LibraryState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.library.IsOpen()) {
        return true;
    }
    if (!state.library.Open(state.fileName)) {
        return false;
    }
    for (size_t i = 0; i < kEntryCount; ++i) {
        state.entries[i] = state.library.Symbol(kEntryNames[i]);
    }
    return true;
}

void UnloadWkHtmlToX() {
    LibraryState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.entries.fill(nullptr);
    state.library.Close();
}

bool WkHtmlToXLoaded() {
    std::lock_guard<std::mutex> guard(State().lock);
    return State().library.IsOpen();
}

bool QtApplicationMayBeRunning() {
    // QCoreApplication::self, Qt's pointer to the running application (Itanium C++ name).
    static constexpr char kApplicationSelf[] = "_ZN16QCoreApplication4selfE";
    std::lock_guard<std::mutex> guard(State().lock);
    const void* slot = State().library.Symbol(kApplicationSelf);
    return slot == nullptr || *static_cast<void* const*>(slot) != nullptr;
}

void* WkEntryAddress(WkEntry entry) {
    std::lock_guard<std::mutex> guard(State().lock);
    return State().entries.at(static_cast<size_t>(entry));
}

void* RequireWkEntry(WkEntry entry) {
    void* address = WkEntryAddress(entry);
    if (address == nullptr) {
        throw EWkHtmlToXError(std::string(SEntryPointMissing) + WkEntryName(entry));
    }
    return address;
}

}  // namespace quill::wk
