// Rendering the cover page and the chapter files to PDF, one file at a time.
#include <cstdio>
#include <string_view>

#include "assembly/BookBuilder.h"
#include "assembly/BookStyle.h"
#include "assembly/WkHtmlToXConsts.h"
#include "assembly/WkHtmlToXCore.h"
#include "common/DebugLog.h"
#include "common/Paths.h"

namespace quill {

namespace {

void AppendPercentByte(std::string& out, unsigned char byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

bool CopiedIntoUrl(unsigned char byte) {
    static constexpr std::string_view kEscaped = "*#%<>+ []";
    return byte >= 0x20 && byte <= 0x7F && kEscaped.find(static_cast<char>(byte)) == kEscaped.npos;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Chapter pages are untrusted markup from the web: local reads are confined to the
// page's own folder (where the cover picture lives), scripts are off, and files without
// a character-set declaration are read as the UTF-8 they are written in.
void ApplyChapterSettings(IWkObjectSettings& settings, const std::string& HtmlFile) {
    settings.SetValue("load.blockLocalFileAccess", "true");
    settings.SetValue("load.allowed.append", "");
    settings.SetValue("load.allowed[0]", FolderOf(HtmlFile));
    settings.SetValue("web.enableJavascript", "false");
    settings.SetValue("web.defaultEncoding", "utf-8");
    // The engine waits this long after loading for scripts to finish; there are none.
    settings.SetValue("load.jsdelay", "0");
}

}  // namespace

std::string FilePathToUrl(const std::string& path) {
    std::string url = "file://";
    if (path.empty() || (path[0] != '/' && path[0] != '\\')) {
        url += '/';
    }
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c == '\\' ? '/' : c);
        if (CopiedIntoUrl(byte)) {
            url += static_cast<char>(byte);
        } else {
            AppendPercentByte(url, byte);
        }
    }
    return url;
}

void HtmlToPdf(const std::string& HtmlFile, const std::string& PdfFile, bool bookStyle) {
    const IWkHtmlToPdfRef factory = GetWkHtmlToPdf();
    const IWkGlobalSettingsRef globalSettings = factory->CreateGlobalSettings();
    globalSettings->SetValue("out", PdfFile);
    const IWkObjectSettingsRef objectSettings = factory->CreateObjectSettings();
    ApplyChapterSettings(*objectSettings, HtmlFile);
    if (bookStyle) {
        ApplyBookStyle(*globalSettings, *objectSettings, FolderOf(HtmlFile));
    }
    objectSettings->SetValue("page", FilePathToUrl(HtmlFile));
    DebugLog("page=" + objectSettings->GetValue("page"));

    // The engine reports success even when it could not write the file (a folder in the
    // way, a full disk); a stale file from an earlier run would then slip into the book.
    std::remove(PdfFile.c_str());
    {
        const IWkConverterRef converter = factory->CreateConverter(globalSettings);
        converter->AddObject(objectSettings);
        converter->Convert();
    }
    if (!FileExists(PdfFile)) {
        throw EConvertError(wk::SConversionFailed);
    }
}

void ConvertChapters(const BookJob& job, IWindowLog& log) {
    const std::string prefix = IncludeTrailingSeparator(job.tmpdir);
    // Wide enough that the loop ends even for the largest chapter number.
    for (long long n = 0; n <= job.lastchapter; ++n) {
        log.ProcessMessages();
        const std::string html = prefix + std::to_string(n) + ".html";
        if (FileExists(html)) {
            log.UpdateLog("process html pdf " + std::to_string(n));
            HtmlToPdf(html, prefix + std::to_string(n) + ".pdf", n > 0);
        }
    }
}

}  // namespace quill
