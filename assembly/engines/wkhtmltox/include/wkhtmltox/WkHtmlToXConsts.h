#pragma once

// The user-visible texts of the wkhtmltox binding, kept in one place so that the window,
// the tests and the binding agree on them.
namespace quill::wk {

inline constexpr char SLoadLibraryError[] = "Load library error (WkHtmlToX)";
inline constexpr char SInitDeInitThread[] = "Init and DeInit must be called in the same thread";
inline constexpr char SInvalidGlobalSettings[] = "Invalid global setting implementation";
inline constexpr char SInvalidObjectSettings[] = "Invalid object setting implementation";
inline constexpr char SConversionFailed[] = "Conversion failed";
inline constexpr char SConverterNotFound[] = "Converter not found";
// A settings object can belong to one converter only; the converter frees it.
inline constexpr char SSettingsInUse[] = "Settings already belong to a converter";
// Followed by the entry point's name; raised when a function the loaded library lacks is used.
inline constexpr char SEntryPointMissing[] = "WkHtmlToX entry point not found: ";

}  // namespace quill::wk
