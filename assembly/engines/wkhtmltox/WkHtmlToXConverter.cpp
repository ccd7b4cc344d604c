#include "wkhtmltox/WkHtmlToXClasses.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <utility>

#include "common/Utf8.h"

namespace quill {

using wk::WkEntry;
using wk::WkFn;

namespace {

// The engine calls back through Qt's event loop, which cannot carry a C++ exception; a
// failure inside a callback is parked here and raised by Convert once the engine returns.
thread_local std::exception_ptr tCallbackError;

template <typename Body>
void Dispatch(wk::wkhtmltopdf_converter* handle, Body body) noexcept {
    try {
        body(*ConverterList().FindConverter(handle));
    } catch (...) {
        if (!tCallbackError) {
            tCallbackError = std::current_exception();
        }
    }
}

void ProgressChangedCallback(wk::wkhtmltopdf_converter* handle, const int value) {
    Dispatch(handle, [value](TWkConverter& c) { c.ProgressChanged(value); });
}

void WarningCallback(wk::wkhtmltopdf_converter* handle, const char* text) {
    Dispatch(handle, [text](TWkConverter& c) { c.Warning(text != nullptr ? text : ""); });
}

void ErrorCallback(wk::wkhtmltopdf_converter* handle, const char* text) {
    Dispatch(handle, [text](TWkConverter& c) { c.Error(text != nullptr ? text : ""); });
}

void FinishedCallback(wk::wkhtmltopdf_converter* handle, const int value) {
    Dispatch(handle, [value](TWkConverter& c) { c.Finished(value == 1); });
}

void PhaseChangedCallback(wk::wkhtmltopdf_converter* handle) {
    Dispatch(handle, [](TWkConverter& c) { c.PhaseChanged(); });
}

}  // namespace

// ---- converter ----

void TWkConverter::NativeDeleter::operator()(wk::wkhtmltopdf_converter* converter) const {
    if (void* fn = wk::WkEntryAddress(WkEntry::destroy_converter)) {
        reinterpret_cast<wk::WkSignature<WkEntry::destroy_converter>::type>(fn)(converter);
    }
}

std::shared_ptr<TWkConverter> TWkConverter::Create(const IWkGlobalSettingsRef& GlobalSettings) {
    auto* settings = dynamic_cast<TWkGlobalSettings*>(GlobalSettings.get());
    if (settings == nullptr) {
        throw Exception(wk::SInvalidGlobalSettings);
    }
    return std::shared_ptr<TWkConverter>(new TWkConverter(settings));
}

TWkConverter::TWkConverter(TWkGlobalSettings* GlobalSettings) : FGlobalSettings(GlobalSettings) {
    const auto create = WkFn<WkEntry::create_converter>();
    c_.reset(create(GlobalSettings->TakeOver()));
    ConverterList().Add(this);
    registered_ = true;
}

TWkConverter::~TWkConverter() {
    if (registered_) {
        ConverterList().Remove(this);
    }
    c_.reset();
}

void TWkConverter::Convert() {
    const auto keepAlive = shared_from_this();
    WkFn<WkEntry::set_progress_changed_callback>()(c(), &ProgressChangedCallback);
    WkFn<WkEntry::set_warning_callback>()(c(), &WarningCallback);
    WkFn<WkEntry::set_error_callback>()(c(), &ErrorCallback);
    WkFn<WkEntry::set_finished_callback>()(c(), &FinishedCallback);
    WkFn<WkEntry::set_phase_changed_callback>()(c(), &PhaseChangedCallback);
    const auto convert = WkFn<WkEntry::convert>();

    // A handler may itself convert; keep an outer conversion's parked failure apart.
    const std::exception_ptr outer = std::exchange(tCallbackError, nullptr);
    const int ok = convert(c());
    const std::exception_ptr failure = std::exchange(tCallbackError, outer);
    if (failure) {
        std::rethrow_exception(failure);
    }
    if (ok == 0) {
        throw EConvertError(wk::SConversionFailed);
    }
}

void TWkConverter::AddObjectData(const IWkObjectSettingsRef& ObjectSettings, const char* Data) {
    auto* settings = dynamic_cast<TWkObjectSettings*>(ObjectSettings.get());
    if (settings == nullptr) {
        throw Exception(wk::SInvalidObjectSettings);
    }
    const auto add = WkFn<WkEntry::add_object>();
    add(c(), settings->TakeOver(), Data);
}

void TWkConverter::AddObject(const IWkObjectSettingsRef& ObjectSettings) {
    AddObjectData(ObjectSettings, nullptr);
}

void TWkConverter::AddObject(const IWkObjectSettingsRef& ObjectSettings, const std::string& Html) {
    AddObjectData(ObjectSettings, SanitizeUtf8(Html).c_str());
}

void TWkConverter::AddObject(const IWkObjectSettingsRef& ObjectSettings,
                             const std::vector<uint8_t>& Html) {
    const std::string data(Html.begin(), Html.end());
    AddObjectData(ObjectSettings, data.c_str());
}

void TWkConverter::AddObject(const IWkObjectSettingsRef& ObjectSettings, std::istream& HtmlStream) {
    HtmlStream.clear();
    HtmlStream.seekg(0);
    const std::string data{std::istreambuf_iterator<char>(HtmlStream),
                           std::istreambuf_iterator<char>()};
    AddObjectData(ObjectSettings, data.c_str());
}

std::vector<uint8_t> TWkConverter::GetOutput() {
    const unsigned char* data = nullptr;
    const long length = WkFn<WkEntry::get_output>()(c(), &data);
    if (length < 1 || data == nullptr) {
        throw EWkHtmlConvertError(wk::SConversionFailed);
    }
    return std::vector<uint8_t>(data, data + length);
}

void TWkConverter::GetOutput(std::ostream& AStream) {
    const std::vector<uint8_t> bytes = GetOutput();
    AStream.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
}

int TWkConverter::CurrentPhase() {
    return WkFn<WkEntry::current_phase>()(c());
}

std::string TWkConverter::GetPhaseDescription(int Phase) {
    const char* text = WkFn<WkEntry::phase_description>()(c(), Phase);
    return text != nullptr ? text : "";
}

void TWkConverter::ProgressChanged(int Progress) {
    if (FOnProgressChanged) {
        FOnProgressChanged(shared_from_this(), Progress);
    }
}

void TWkConverter::Warning(const std::string& AMessage) {
    if (FOnWarning) {
        FOnWarning(shared_from_this(), AMessage);
    }
}

void TWkConverter::Error(const std::string& AMessage) {
    if (FOnError) {
        FOnError(shared_from_this(), AMessage);
    }
}

void TWkConverter::Finished(bool Success) {
    if (FOnFinished) {
        FOnFinished(shared_from_this(), Success);
    }
}

void TWkConverter::PhaseChanged() {
    if (FOnPhaseChanged) {
        FOnPhaseChanged(shared_from_this(), CurrentPhase());
    }
}

// ---- registry ----

void TConverterList::Add(TWkConverter* converter) {
    std::lock_guard<std::mutex> guard(lock_);
    items_.push_back(converter);
}

void TConverterList::Remove(TWkConverter* converter) {
    std::lock_guard<std::mutex> guard(lock_);
    items_.erase(std::remove(items_.begin(), items_.end(), converter), items_.end());
}

std::shared_ptr<TWkConverter> TConverterList::FindConverter(wk::wkhtmltopdf_converter* handle) {
    std::lock_guard<std::mutex> guard(lock_);
    for (TWkConverter* item : items_) {
        if (item->c() == handle) {
            // Expired means the converter is on its way out: as good as gone.
            if (auto live = item->weak_from_this().lock()) {
                return live;
            }
        }
    }
    throw EWkHtmlToXError(wk::SConverterNotFound);
}

size_t TConverterList::Count() {
    std::lock_guard<std::mutex> guard(lock_);
    return items_.size();
}

// Outlives every converter, including ones a careless caller keeps until static
// destruction, so a late callback never meets a destroyed lock.
TConverterList& ConverterList() {
    static auto* list = new TConverterList;
    return *list;
}

}  // namespace quill
