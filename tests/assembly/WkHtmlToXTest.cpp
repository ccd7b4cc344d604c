// The wkhtmltox binding against the real engine in engines/.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "InChildProcess.h"
#include "page/PageRender.h"
#include "platform/DynamicLibrary.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "wkhtmltox/WkHtmlToXBindings.h"
#include "wkhtmltox/WkHtmlToXClasses.h"
#include "wkhtmltox/WkHtmlToXCore.h"

namespace quill {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;
using test::InChildProcess;

template <typename Error, typename Body>
void ExpectError(Body body, const std::string& message) {
    try {
        body();
        ADD_FAILURE() << "no error, expected: " << message;
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), message);
    }
}

std::string PdfText(const std::string& pdf) {
    const test::RunResult r = test::Run({"pdftotext", "-enc", "UTF-8", pdf, "-"}, {}, 30s);
    EXPECT_TRUE(r.succeeded()) << r.Describe();
    return r.stdOut;
}

TEST(WkHtmlToXLoad, AbsentOrWrongLibraryFailsAndALaterAttemptSucceeds) {
    if (!InChildProcess()) {
        return;
    }
    wk::SetWkHtmlToXLibraryName("libwkhtmltox-absent.so");
    ExpectError<EWkHtmlToXError>([] { GetWkHtmlToPdf(); }, "Load library error (WkHtmlToX)");
    EXPECT_FALSE(wk::WkHtmlToXLoaded());

    // A library that loads but lacks the entry points must not be called through.
    wk::SetWkHtmlToXLibraryName("libz.so.1");
    ExpectError<EWkHtmlToXError>([] { GetWkHtmlToPdf(); },
                                 "WkHtmlToX entry point not found: wkhtmltopdf_init");
    EXPECT_FALSE(wk::WkHtmlToXLoaded()) << "a failed attempt must leave nothing behind";

    wk::SetWkHtmlToXLibraryName(platform::LibraryFileName("wkhtmltox"));
    const IWkHtmlToPdfRef factory = GetWkHtmlToPdf();
    EXPECT_THAT(factory->GetVersion(), ::testing::StartsWith("0.12"));
    EXPECT_EQ(factory, GetWkHtmlToPdf());
    for (int e = 0; e < static_cast<int>(wk::WkEntry::Count); ++e) {
        EXPECT_NE(wk::WkEntryAddress(static_cast<wk::WkEntry>(e)), nullptr)
            << wk::WkEntryName(static_cast<wk::WkEntry>(e));
    }
}

TEST(WkHtmlToXLoad, FinalizeEndsTheEngineOnlyWithItsLastReferenceThenUnloads) {
    if (!InChildProcess()) {
        return;
    }
    test::TempDir dir;
    test::WriteFile(dir.file("p.html"), "<p>x</p>");
    const auto convert = [&] {
        const IWkHtmlToPdfRef wk = GetWkHtmlToPdf();
        const IWkGlobalSettingsRef gs = wk->CreateGlobalSettings();
        gs->SetValue("out", dir.file("p.pdf"));
        const IWkObjectSettingsRef os = wk->CreateObjectSettings();
        os->SetValue("page", FilePathToUrl(dir.file("p.html")));
        const IWkConverterRef converter = wk->CreateConverter(gs);
        converter->AddObject(os);
        converter->Convert();
    };
    IWkHtmlToPdfRef held = GetWkHtmlToPdf();
    convert();
    FinalizeWkHtmlToX();
    EXPECT_TRUE(wk::WkHtmlToXLoaded()) << "a reference still held keeps the engine";
    EXPECT_EQ(held->GetVersion().substr(0, 4), "0.12");

    held.reset();  // de-initialises: the engine's own Qt application goes
    FinalizeWkHtmlToX();
    EXPECT_FALSE(wk::WkHtmlToXLoaded());
}

class WkEngine : public ::testing::Test {
  protected:
    std::string WritePage(const std::string& name, const std::string& html) {
        test::WriteFile(dir_.file(name), html);
        return dir_.file(name);
    }

    // A converter for one page file that writes to `out` (memory when empty).
    IWkConverterRef ConverterFor(const std::string& page, const std::string& out) {
        const IWkGlobalSettingsRef gs = wk_->CreateGlobalSettings();
        gs->SetValue("out", out);
        const IWkObjectSettingsRef os = wk_->CreateObjectSettings();
        os->SetValue("page", FilePathToUrl(page));
        const IWkConverterRef converter = wk_->CreateConverter(gs);
        converter->AddObject(os);
        return converter;
    }

    IWkHtmlToPdfRef wk_ = GetWkHtmlToPdf();
    test::TempDir dir_{"wk Zoë #1"};
};

TEST_F(WkEngine, RendersOneHtmlFileToAPdfFile) {
    const std::string page = WritePage("one.html", "<h1>Hello engine</h1><p>second line</p>");
    ConverterFor(page, dir_.file("one.pdf"))->Convert();

    const test::RunResult info = test::Run({"pdfinfo", dir_.file("one.pdf")}, {}, 30s);
    ASSERT_TRUE(info.succeeded()) << info.Describe();
    EXPECT_THAT(info.stdOut, ::testing::ContainsRegex("Pages: +1\n"));
    EXPECT_THAT(PdfText(dir_.file("one.pdf")), HasSubstr("Hello engine"));
}

TEST_F(WkEngine, ConvertsHtmlTextIntoMemoryAndReportsEveryEventWithItsConverter) {
    const IWkConverterRef converter = wk_->CreateConverter(wk_->CreateGlobalSettings());
    std::vector<int> phases;
    int progressCalls = 0, foreign = 0;
    bool finished = false;
    const auto mine = [&](const IWkConverterRef& c) { foreign += c != converter; };
    converter->SetOnPhaseChanged([&](const IWkConverterRef& c, int phase) {
        mine(c);
        phases.push_back(phase);
    });
    converter->SetOnProgressChanged([&](const IWkConverterRef& c, int) {
        mine(c);
        ++progressCalls;
    });
    converter->SetOnFinished([&](const IWkConverterRef& c, bool success) {
        mine(c);
        finished = success;
    });
    converter->AddObject(wk_->CreateObjectSettings(), std::string("<p>In memory: Zoë</p>"));
    converter->Convert();

    const std::vector<uint8_t> pdf = converter->GetOutput();
    ASSERT_GT(pdf.size(), 5u);
    EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 5), "%PDF-");
    std::ostringstream stream;
    converter->GetOutput(stream);
    EXPECT_EQ(stream.str().size(), pdf.size());

    EXPECT_TRUE(finished);
    EXPECT_GT(progressCalls, 0);
    ASSERT_FALSE(phases.empty());
    EXPECT_EQ(foreign, 0);
    EXPECT_FALSE(converter->GetPhaseDescription(phases.front()).empty());
}

TEST_F(WkEngine, TwoLiveConvertersReceiveOnlyTheirOwnEvents) {
    const std::string page = WritePage("p.html", "<p>x</p>");
    const IWkConverterRef first = ConverterFor(page, dir_.file("1.pdf"));
    const IWkConverterRef second = ConverterFor(page, dir_.file("2.pdf"));
    int firstCalls = 0, secondCalls = 0, crossed = 0;
    first->SetOnFinished([&](const IWkConverterRef& c, bool) {
        ++firstCalls;
        crossed += c != first;
    });
    second->SetOnFinished([&](const IWkConverterRef& c, bool) {
        ++secondCalls;
        crossed += c != second;
    });
    second->Convert();
    first->Convert();
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(secondCalls, 1);
    EXPECT_EQ(crossed, 0);
}

TEST_F(WkEngine, FailuresCarryTheBindingsMessages) {
    const size_t live = ConverterList().Count();
    {
        const IWkConverterRef missing = ConverterFor(dir_.file("absent.html"), dir_.file("a.pdf"));
        ExpectError<EConvertError>([&] { missing->Convert(); }, "Conversion failed");
        const IWkConverterRef unused = wk_->CreateConverter(wk_->CreateGlobalSettings());
        ExpectError<EWkHtmlConvertError>([&] { unused->GetOutput(); }, "Conversion failed");
    }
    EXPECT_EQ(ConverterList().Count(), live) << "released converters leave the registry";
    ExpectError<EWkHtmlToXError>(
        [] { ConverterList().FindConverter(reinterpret_cast<wk::wkhtmltopdf_converter*>(8)); },
        "Converter not found");
}

TEST_F(WkEngine, AnErrorInsideAnEventHandlerSurfacesFromConvert) {
    const IWkConverterRef converter =
        ConverterFor(WritePage("p.html", "<p>x</p>"), dir_.file("p.pdf"));
    converter->SetOnFinished(
        [](const IWkConverterRef&, bool) { throw std::runtime_error("handler failed"); });
    ExpectError<std::runtime_error>([&] { converter->Convert(); }, "handler failed");
}

TEST_F(WkEngine, RejectsSettingsOfAnotherImplementationOrAlreadyInUse) {
    struct ForeignGlobal : IWkGlobalSettings {
        void SetValue(const std::string&, const std::string&) override {}
        std::string GetValue(const std::string&) override { return ""; }
    };
    struct ForeignObject : IWkObjectSettings {
        void SetValue(const std::string&, const std::string&) override {}
        std::string GetValue(const std::string&) override { return ""; }
    };
    ExpectError<Exception>([&] { wk_->CreateConverter(std::make_shared<ForeignGlobal>()); },
                           "Invalid global setting implementation");
    const IWkGlobalSettingsRef gs = wk_->CreateGlobalSettings();
    const IWkConverterRef converter = wk_->CreateConverter(gs);
    ExpectError<Exception>([&] { converter->AddObject(std::make_shared<ForeignObject>()); },
                           "Invalid object setting implementation");
    // The engine frees settings with their converter; a second owner would free them twice.
    ExpectError<EWkHtmlToXError>([&] { wk_->CreateConverter(gs); },
                                 "Settings already belong to a converter");
}

TEST_F(WkEngine, SettingValuesCrossTheLibraryAsUtf8) {
    const IWkGlobalSettingsRef gs = wk_->CreateGlobalSettings();
    gs->SetValue("out", "/home/Zoë/Café — “books”/1.pdf");
    EXPECT_EQ(gs->GetValue("out"), "/home/Zoë/Café — “books”/1.pdf");
    EXPECT_EQ(gs->GetValue("no.such.setting"), "");

    // 1023 bytes fit; the last "é" would be cut in half and is dropped whole.
    std::string longValue;
    for (int i = 0; i < 600; ++i) {
        longValue += "é";
    }
    const IWkObjectSettingsRef os = wk_->CreateObjectSettings();
    os->SetValue("page", longValue);
    EXPECT_EQ(os->GetValue("page"), longValue.substr(0, 1022));
}

TEST_F(WkEngine, DeInitIsRefusedOnAThreadOtherThanTheInitThread) {
    std::string message;
    std::thread other([&] {
        try {
            wk_->DeInit();
        } catch (const EWkHtmlToXError& e) {
            message = e.what();
        }
    });
    other.join();
    EXPECT_EQ(message, "Init and DeInit must be called in the same thread");
    // Still initialised: the engine goes on converting.
    const std::string page = WritePage("after.html", "<p>still here</p>");
    ConverterFor(page, dir_.file("after.pdf"))->Convert();
    EXPECT_THAT(PdfText(dir_.file("after.pdf")), HasSubstr("still here"));
}

}  // namespace
}  // namespace quill
