#include "wkhtmltox/WkHtmlToXClasses.h"

#include <cstring>
#include <thread>
#include <utility>

#include "common/DebugLog.h"
#include "common/Utf8.h"

namespace quill {

using wk::WkEntry;
using wk::WkFn;

namespace {

// Whether wkhtmltopdf_init has run, and on which thread: the engine's Qt application
// must be torn down on the thread that built it.
struct EngineState {
    std::mutex lock;
    bool initialised = false;
    std::thread::id initThread;
};

EngineState& Engine() {
    static auto* state = new EngineState;
    return *state;
}

struct FactoryHolder {
    std::mutex lock;
    IWkHtmlToPdfRef factory;
};

// Left alive at exit on purpose: releasing the factory from a static destructor would
// tear down Qt after its own globals are gone. FinalizeWkHtmlToX is the orderly way out.
FactoryHolder& Holder() {
    static auto* holder = new FactoryHolder;
    return *holder;
}

// The library copies at most 1023 bytes, which may end inside a character.
std::string FromSettingBuffer(const char* buffer, size_t size) {
    std::string value(buffer, strnlen(buffer, size));
    for (int dropped = 0; dropped < 3 && !IsValidUtf8(value); ++dropped) {
        value.pop_back();
    }
    return value;
}

constexpr int kSettingBufferSize = 1024;

void DestroyGlobalSettings(wk::wkhtmltopdf_global_settings* gs) {
    if (void* fn = wk::WkEntryAddress(WkEntry::destroy_global_settings)) {
        reinterpret_cast<wk::WkSignature<WkEntry::destroy_global_settings>::type>(fn)(gs);
    }
}

void DestroyObjectSettings(wk::wkhtmltopdf_object_settings* os) {
    if (void* fn = wk::WkEntryAddress(WkEntry::destroy_object_settings)) {
        reinterpret_cast<wk::WkSignature<WkEntry::destroy_object_settings>::type>(fn)(os);
    }
}

}  // namespace

// ---- factory ----

TWkHtmlToXFactory::TWkHtmlToXFactory() {
    if (!wk::LoadWkHtmlToX()) {
        throw EWkHtmlToXError(wk::SLoadLibraryError);
    }
    Init();
}

TWkHtmlToXFactory::~TWkHtmlToXFactory() {
    try {
        DeInit();
    } catch (const std::exception& e) {
        DebugLog(std::string("wkhtmltox left initialised: ") + e.what());
    }
}

void TWkHtmlToXFactory::Init() {
    EngineState& engine = Engine();
    std::lock_guard<std::mutex> guard(engine.lock);
    if (engine.initialised) {
        return;
    }
    WkFn<WkEntry::init>()(0);
    engine.initialised = true;
    engine.initThread = std::this_thread::get_id();
}

void TWkHtmlToXFactory::DeInit() {
    EngineState& engine = Engine();
    std::lock_guard<std::mutex> guard(engine.lock);
    if (!engine.initialised) {
        return;
    }
    if (engine.initThread != std::this_thread::get_id()) {
        throw EWkHtmlToXError(wk::SInitDeInitThread);
    }
    WkFn<WkEntry::deinit>()();
    engine.initialised = false;
}

IWkGlobalSettingsRef TWkHtmlToXFactory::CreateGlobalSettings() {
    return std::make_shared<TWkGlobalSettings>();
}

IWkConverterRef TWkHtmlToXFactory::CreateConverter(const IWkGlobalSettingsRef& GlobalSettings) {
    return TWkConverter::Create(GlobalSettings);
}

IWkObjectSettingsRef TWkHtmlToXFactory::CreateObjectSettings() {
    return std::make_shared<TWkObjectSettings>();
}

std::string TWkHtmlToXFactory::GetVersion() {
    const char* version = WkFn<WkEntry::version>()();
    return version != nullptr ? version : "";
}

// ---- settings ----

TWkGlobalSettings::TWkGlobalSettings()
    : gs_(WkFn<WkEntry::create_global_settings>()(), &DestroyGlobalSettings) {}

void TWkGlobalSettings::SetValue(const std::string& Name, const std::string& Value) {
    WkFn<WkEntry::set_global_setting>()(gs(), Name.c_str(), SanitizeUtf8(Value).c_str());
}

std::string TWkGlobalSettings::GetValue(const std::string& Name) {
    char buffer[kSettingBufferSize] = {};
    WkFn<WkEntry::get_global_setting>()(gs(), Name.c_str(), buffer, kSettingBufferSize);
    return FromSettingBuffer(buffer, sizeof buffer);
}

TWkObjectSettings::TWkObjectSettings()
    : os_(WkFn<WkEntry::create_object_settings>()(), &DestroyObjectSettings) {}

void TWkObjectSettings::SetValue(const std::string& Name, const std::string& Value) {
    WkFn<WkEntry::set_object_setting>()(os(), Name.c_str(), SanitizeUtf8(Value).c_str());
}

std::string TWkObjectSettings::GetValue(const std::string& Name) {
    char buffer[kSettingBufferSize] = {};
    WkFn<WkEntry::get_object_setting>()(os(), Name.c_str(), buffer, kSettingBufferSize);
    return FromSettingBuffer(buffer, sizeof buffer);
}

// ---- process-wide entry points ----

IWkHtmlToPdfRef GetWkHtmlToPdf() {
    FactoryHolder& holder = Holder();
    std::lock_guard<std::mutex> guard(holder.lock);
    if (holder.factory) {
        return holder.factory;
    }
    const bool wasLoaded = wk::WkHtmlToXLoaded();
    try {
        holder.factory = std::make_shared<TWkHtmlToXFactory>();
    } catch (...) {
        // Nothing of a failed attempt may stick, or a later one would reuse a wrong library.
        if (!wasLoaded) {
            wk::UnloadWkHtmlToX();
        }
        throw;
    }
    return holder.factory;
}

void FinalizeWkHtmlToX() {
    IWkHtmlToPdfRef last;
    {
        FactoryHolder& holder = Holder();
        std::lock_guard<std::mutex> guard(holder.lock);
        last = std::move(holder.factory);
    }
    last.reset();
    bool stillInitialised;
    {
        std::lock_guard<std::mutex> guard(Engine().lock);
        stillInitialised = Engine().initialised;
    }
    // Unmapping the library under a live Qt application or converter would pull the code
    // out from under them; then the process keeps it until it ends. The window's own
    // application outlives the engine, so there the library always stays.
    if (stillInitialised || ConverterList().Count() != 0 || wk::QtApplicationMayBeRunning()) {
        DebugLog("wkhtmltox stays loaded: still in use at program end");
        return;
    }
    wk::UnloadWkHtmlToX();
}

}  // namespace quill
