#pragma once

#include <string>

// Run-time access to the wkhtmltox C library: loading it by file name and looking up its
// entry points. The library is never linked, so a machine without it still starts.
namespace quill::wk {

// The library's opaque handles.
struct wkhtmltopdf_global_settings;
struct wkhtmltopdf_object_settings;
struct wkhtmltopdf_converter;

extern "C" {
using wkhtmltopdf_str_callback = void (*)(wkhtmltopdf_converter* converter, const char* str);
using wkhtmltopdf_int_callback = void (*)(wkhtmltopdf_converter* converter, const int val);
using wkhtmltopdf_void_callback = void (*)(wkhtmltopdf_converter* converter);
}

// The entry points, in the order they are looked up.
enum class WkEntry {
    init,
    deinit,
    extended_qt,
    version,
    create_global_settings,
    destroy_global_settings,
    create_object_settings,
    destroy_object_settings,
    set_global_setting,
    get_global_setting,
    set_object_setting,
    get_object_setting,
    create_converter,
    destroy_converter,
    set_warning_callback,
    set_error_callback,
    set_phase_changed_callback,
    set_progress_changed_callback,
    set_finished_callback,
    convert,
    add_object,
    current_phase,
    phase_count,
    phase_description,
    progress_string,
    http_error_code,
    get_output,
    Count
};

template <WkEntry E>
struct WkSignature;

// clang-format off
template <> struct WkSignature<WkEntry::init> { using type = int (*)(int use_graphics); };
template <> struct WkSignature<WkEntry::deinit> { using type = int (*)(); };
template <> struct WkSignature<WkEntry::extended_qt> { using type = int (*)(); };
template <> struct WkSignature<WkEntry::version> { using type = const char* (*)(); };
template <> struct WkSignature<WkEntry::create_global_settings> { using type = wkhtmltopdf_global_settings* (*)(); };
template <> struct WkSignature<WkEntry::destroy_global_settings> { using type = void (*)(wkhtmltopdf_global_settings*); };
template <> struct WkSignature<WkEntry::create_object_settings> { using type = wkhtmltopdf_object_settings* (*)(); };
template <> struct WkSignature<WkEntry::destroy_object_settings> { using type = void (*)(wkhtmltopdf_object_settings*); };
template <> struct WkSignature<WkEntry::set_global_setting> { using type = int (*)(wkhtmltopdf_global_settings*, const char* name, const char* value); };
template <> struct WkSignature<WkEntry::get_global_setting> { using type = int (*)(wkhtmltopdf_global_settings*, const char* name, char* value, int vs); };
template <> struct WkSignature<WkEntry::set_object_setting> { using type = int (*)(wkhtmltopdf_object_settings*, const char* name, const char* value); };
template <> struct WkSignature<WkEntry::get_object_setting> { using type = int (*)(wkhtmltopdf_object_settings*, const char* name, char* value, int vs); };
template <> struct WkSignature<WkEntry::create_converter> { using type = wkhtmltopdf_converter* (*)(wkhtmltopdf_global_settings*); };
template <> struct WkSignature<WkEntry::destroy_converter> { using type = void (*)(wkhtmltopdf_converter*); };
template <> struct WkSignature<WkEntry::set_warning_callback> { using type = void (*)(wkhtmltopdf_converter*, wkhtmltopdf_str_callback); };
template <> struct WkSignature<WkEntry::set_error_callback> { using type = void (*)(wkhtmltopdf_converter*, wkhtmltopdf_str_callback); };
template <> struct WkSignature<WkEntry::set_phase_changed_callback> { using type = void (*)(wkhtmltopdf_converter*, wkhtmltopdf_void_callback); };
template <> struct WkSignature<WkEntry::set_progress_changed_callback> { using type = void (*)(wkhtmltopdf_converter*, wkhtmltopdf_int_callback); };
template <> struct WkSignature<WkEntry::set_finished_callback> { using type = void (*)(wkhtmltopdf_converter*, wkhtmltopdf_int_callback); };
template <> struct WkSignature<WkEntry::convert> { using type = int (*)(wkhtmltopdf_converter*); };
template <> struct WkSignature<WkEntry::add_object> { using type = void (*)(wkhtmltopdf_converter*, wkhtmltopdf_object_settings*, const char* data); };
template <> struct WkSignature<WkEntry::current_phase> { using type = int (*)(wkhtmltopdf_converter*); };
template <> struct WkSignature<WkEntry::phase_count> { using type = int (*)(wkhtmltopdf_converter*); };
template <> struct WkSignature<WkEntry::phase_description> { using type = const char* (*)(wkhtmltopdf_converter*, int phase); };
template <> struct WkSignature<WkEntry::progress_string> { using type = const char* (*)(wkhtmltopdf_converter*); };
template <> struct WkSignature<WkEntry::http_error_code> { using type = int (*)(wkhtmltopdf_converter*); };
template <> struct WkSignature<WkEntry::get_output> { using type = long (*)(wkhtmltopdf_converter*, const unsigned char** d); };
// clang-format on

// The exported name of an entry point ("wkhtmltopdf_init" ...).
const char* WkEntryName(WkEntry entry);

// Tests point this at a missing or wrong file; the default is the platform's file name of
// "wkhtmltox". Takes effect at the next load.
void SetWkHtmlToXLibraryName(const std::string& fileName);
std::string WkHtmlToXLibraryName();

// Loads the library and looks up every entry point; true when it is loaded (also when it
// already was). A missing entry point is recorded as absent, not reported here.
bool LoadWkHtmlToX();
// Frees the library and forgets every entry point.
void UnloadWkHtmlToX();
bool WkHtmlToXLoaded();

// Whether a Qt application may still be running in the process, looked up through the
// library's own dependencies. Unloading the library under a running application would leave
// Qt holding clean-up routines in unmapped code. True when it cannot tell.
bool QtApplicationMayBeRunning();

// The entry point's address, or nullptr when the library lacks it or is not loaded.
void* WkEntryAddress(WkEntry entry);

// The entry point as a typed function pointer. Throws EWkHtmlToXError naming the entry
// point when it is absent, so a missing one can never be called.
void* RequireWkEntry(WkEntry entry);
template <WkEntry E>
typename WkSignature<E>::type WkFn() {
    return reinterpret_cast<typename WkSignature<E>::type>(RequireWkEntry(E));
}

}  // namespace quill::wk
