#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "common/Errors.h"

// The object layer in front of the wkhtmltox C library. Every object is handed out as a
// shared reference and lives until its last reference goes. All text crossing into the
// library and back is UTF-8, which is what the library itself speaks.
namespace quill {

// A failure of the binding or of the engine behind it.
class EWkHtmlToXError : public Exception {
  public:
    using Exception::Exception;
};

// The engine produced no output for a conversion.
class EWkHtmlConvertError : public EWkHtmlToXError {
  public:
    using EWkHtmlToXError::EWkHtmlToXError;
};

class IWkConverter;
using IWkConverterRef = std::shared_ptr<IWkConverter>;

// Events of a conversion; the first argument is the converter that fires it. They run on
// the converting thread, from inside Convert.
using TProgressChangedEvent = std::function<void(const IWkConverterRef& Converter, int Progress)>;
using TFinishedEvent = std::function<void(const IWkConverterRef& Converter, bool Success)>;
using TWarningEvent =
    std::function<void(const IWkConverterRef& Converter, const std::string& AMessage)>;
using TErrorEvent =
    std::function<void(const IWkConverterRef& Converter, const std::string& AMessage)>;
using TPhaseChangedEvent = std::function<void(const IWkConverterRef& Converter, int Phase)>;

// Settings that apply to a whole conversion ("out", paper size, margins...). Handing them
// to a converter gives them to the engine, which frees them with the converter: read them
// back only while that converter lives.
class IWkGlobalSettings {
  public:
    virtual ~IWkGlobalSettings() = default;
    // The engine ignores unknown names and bad values without saying so.
    virtual void SetValue(const std::string& Name, const std::string& Value) = 0;
    // At most 1023 bytes of the value; empty for an unknown name.
    virtual std::string GetValue(const std::string& Name) = 0;
};

// Settings of one page added to a conversion ("page", "load.*", "web.*"...).
class IWkObjectSettings {
  public:
    virtual ~IWkObjectSettings() = default;
    virtual void SetValue(const std::string& Name, const std::string& Value) = 0;
    virtual std::string GetValue(const std::string& Name) = 0;
};

using IWkGlobalSettingsRef = std::shared_ptr<IWkGlobalSettings>;
using IWkObjectSettingsRef = std::shared_ptr<IWkObjectSettings>;

// One conversion of one or more pages into one PDF.
class IWkConverter {
  public:
    virtual ~IWkConverter() = default;

    // Runs the whole conversion on the calling thread; throws EConvertError when it fails.
    virtual void Convert() = 0;
    // The page named by the settings' "page" value.
    virtual void AddObject(const IWkObjectSettingsRef& ObjectSettings) = 0;
    // HTML given as text instead of the "page" address.
    virtual void AddObject(const IWkObjectSettingsRef& ObjectSettings, const std::string& Html) = 0;
    virtual void AddObject(const IWkObjectSettingsRef& ObjectSettings,
                           const std::vector<uint8_t>& Html) = 0;
    // The stream's whole content, from its start.
    virtual void AddObject(const IWkObjectSettingsRef& ObjectSettings,
                           std::istream& HtmlStream) = 0;

    // The PDF of a conversion whose "out" was left empty.
    virtual std::vector<uint8_t> GetOutput() = 0;
    virtual void GetOutput(std::ostream& AStream) = 0;

    virtual int CurrentPhase() = 0;
    virtual std::string GetPhaseDescription(int Phase) = 0;

    virtual const TErrorEvent& OnError() const = 0;
    virtual const TFinishedEvent& OnFinished() const = 0;
    virtual const TPhaseChangedEvent& OnPhaseChanged() const = 0;
    virtual const TProgressChangedEvent& OnProgressChanged() const = 0;
    virtual const TWarningEvent& OnWarning() const = 0;
    virtual void SetOnError(TErrorEvent Value) = 0;
    virtual void SetOnFinished(TFinishedEvent Value) = 0;
    virtual void SetOnPhaseChanged(TPhaseChangedEvent Value) = 0;
    virtual void SetOnProgressChanged(TProgressChangedEvent Value) = 0;
    virtual void SetOnWarning(TWarningEvent Value) = 0;
};

// The process-wide engine: initialised once, on the thread that first asks for it.
class IWkHtmlToPdf {
  public:
    virtual ~IWkHtmlToPdf() = default;
    virtual void Init() = 0;
    // Must run on the thread that ran Init.
    virtual void DeInit() = 0;
    virtual IWkGlobalSettingsRef CreateGlobalSettings() = 0;
    virtual IWkConverterRef CreateConverter(const IWkGlobalSettingsRef& GlobalSettings) = 0;
    virtual IWkObjectSettingsRef CreateObjectSettings() = 0;
    virtual std::string GetVersion() = 0;
};

using IWkHtmlToPdfRef = std::shared_ptr<IWkHtmlToPdf>;

// The process-wide factory. The first call loads and initialises the engine; when that
// fails the next call tries again from scratch.
IWkHtmlToPdfRef GetWkHtmlToPdf();

// Releases the factory (de-initialising the engine when this is the thread that
// initialised it), the converter registry and the library, in that order. Programs call
// it once before they end; it is safe to call when the engine was never used.
void FinalizeWkHtmlToX();

}  // namespace quill
