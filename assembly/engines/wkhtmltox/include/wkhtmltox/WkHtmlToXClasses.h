#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "wkhtmltox/WkHtmlToXBindings.h"
#include "wkhtmltox/WkHtmlToXConsts.h"
#include "wkhtmltox/WkHtmlToXCore.h"

namespace quill {

// The engine itself. Only one exists per process (GetWkHtmlToPdf); destroying it
// de-initialises the engine.
class TWkHtmlToXFactory : public IWkHtmlToPdf {
  public:
    TWkHtmlToXFactory();
    ~TWkHtmlToXFactory() override;

    void Init() override;
    void DeInit() override;
    IWkGlobalSettingsRef CreateGlobalSettings() override;
    IWkConverterRef CreateConverter(const IWkGlobalSettingsRef& GlobalSettings) override;
    IWkObjectSettingsRef CreateObjectSettings() override;
    std::string GetVersion() override;
};

// Shared by both kinds of settings: a native handle that belongs to this object until a
// converter takes it over, after which the converter frees it.
template <typename Handle>
class TWkSettingsHandle {
  public:
    using Deleter = void (*)(Handle*);
    TWkSettingsHandle(Handle* handle, Deleter deleter) : owned_(handle, deleter), raw_(handle) {}
    Handle* get() const { return raw_; }
    // Hands the handle to a converter; a second hand-over would free it twice.
    Handle* TakeOver();

  private:
    std::unique_ptr<Handle, Deleter> owned_;
    Handle* raw_;
};

template <typename Handle>
Handle* TWkSettingsHandle<Handle>::TakeOver() {
    if (!owned_) {
        throw EWkHtmlToXError(wk::SSettingsInUse);
    }
    return owned_.release();
}

class TWkGlobalSettings : public IWkGlobalSettings {
  public:
    TWkGlobalSettings();
    void SetValue(const std::string& Name, const std::string& Value) override;
    std::string GetValue(const std::string& Name) override;

    wk::wkhtmltopdf_global_settings* gs() const { return gs_.get(); }
    wk::wkhtmltopdf_global_settings* TakeOver() { return gs_.TakeOver(); }

  private:
    TWkSettingsHandle<wk::wkhtmltopdf_global_settings> gs_;
};

class TWkObjectSettings : public IWkObjectSettings {
  public:
    TWkObjectSettings();
    void SetValue(const std::string& Name, const std::string& Value) override;
    std::string GetValue(const std::string& Name) override;

    wk::wkhtmltopdf_object_settings* os() const { return os_.get(); }
    wk::wkhtmltopdf_object_settings* TakeOver() { return os_.TakeOver(); }

  private:
    TWkSettingsHandle<wk::wkhtmltopdf_object_settings> os_;
};

class TWkConverter : public IWkConverter, public std::enable_shared_from_this<TWkConverter> {
  public:
    // Use Create: the converter must be owned by a shared reference before the engine can
    // call back into it.
    static std::shared_ptr<TWkConverter> Create(const IWkGlobalSettingsRef& GlobalSettings);
    ~TWkConverter() override;

    void Convert() override;
    void AddObject(const IWkObjectSettingsRef& ObjectSettings) override;
    void AddObject(const IWkObjectSettingsRef& ObjectSettings, const std::string& Html) override;
    void AddObject(const IWkObjectSettingsRef& ObjectSettings,
                   const std::vector<uint8_t>& Html) override;
    void AddObject(const IWkObjectSettingsRef& ObjectSettings, std::istream& HtmlStream) override;
    std::vector<uint8_t> GetOutput() override;
    void GetOutput(std::ostream& AStream) override;
    int CurrentPhase() override;
    std::string GetPhaseDescription(int Phase) override;

    const TErrorEvent& OnError() const override { return FOnError; }
    const TFinishedEvent& OnFinished() const override { return FOnFinished; }
    const TPhaseChangedEvent& OnPhaseChanged() const override { return FOnPhaseChanged; }
    const TProgressChangedEvent& OnProgressChanged() const override { return FOnProgressChanged; }
    const TWarningEvent& OnWarning() const override { return FOnWarning; }
    void SetOnError(TErrorEvent Value) override { FOnError = std::move(Value); }
    void SetOnFinished(TFinishedEvent Value) override { FOnFinished = std::move(Value); }
    void SetOnPhaseChanged(TPhaseChangedEvent Value) override {
        FOnPhaseChanged = std::move(Value);
    }
    void SetOnProgressChanged(TProgressChangedEvent Value) override {
        FOnProgressChanged = std::move(Value);
    }
    void SetOnWarning(TWarningEvent Value) override { FOnWarning = std::move(Value); }

    wk::wkhtmltopdf_converter* c() const { return c_.get(); }
    TWkGlobalSettings* GlobalSettings() const { return FGlobalSettings; }

    // Dispatch from the engine's callbacks.
    void ProgressChanged(int Progress);
    void Warning(const std::string& AMessage);
    void Error(const std::string& AMessage);
    void Finished(bool Success);
    void PhaseChanged();

  private:
    explicit TWkConverter(TWkGlobalSettings* GlobalSettings);
    void AddObjectData(const IWkObjectSettingsRef& ObjectSettings, const char* Data);

    struct NativeDeleter {
        void operator()(wk::wkhtmltopdf_converter* converter) const;
    };

    TWkGlobalSettings* FGlobalSettings;  // no reference held
    std::unique_ptr<wk::wkhtmltopdf_converter, NativeDeleter> c_;
    bool registered_ = false;
    TProgressChangedEvent FOnProgressChanged;
    TErrorEvent FOnError;
    TWarningEvent FOnWarning;
    TFinishedEvent FOnFinished;
    TPhaseChangedEvent FOnPhaseChanged;
};

// The live converters, so that the engine's callbacks, which only carry the native
// handle, find their object. Callbacks may come from any converting thread.
class TConverterList {
  public:
    void Add(TWkConverter* converter);
    void Remove(TWkConverter* converter);
    // The live converter for a native handle; throws "Converter not found" when none has it.
    std::shared_ptr<TWkConverter> FindConverter(wk::wkhtmltopdf_converter* handle);
    size_t Count();

  private:
    std::mutex lock_;
    std::vector<TWkConverter*> items_;
};

TConverterList& ConverterList();

}  // namespace quill
