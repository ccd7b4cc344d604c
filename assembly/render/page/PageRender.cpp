// Rendering one page to PDF with the engine in this process: the render worker's job.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string_view>
#include <utility>

#include "PdfCheck.h"
#include "common/AtomicWrite.h"
#include "common/DebugLog.h"
#include "common/Errors.h"
#include "common/FileBytes.h"
#include "common/Paths.h"
#include "common/PercentEncoding.h"
#include "page/BookStyle.h"
#include "page/PageRender.h"
#include "page/RenderProtocol.h"
#include "platform/RegularFile.h"
#include "textlayer/TextLayer.h"
#include "wkhtmltox/WkHtmlToXBindings.h"
#include "wkhtmltox/WkHtmlToXConsts.h"
#include "wkhtmltox/WkHtmlToXCore.h"

namespace quill {

namespace {

bool StartsWithDriveLetter(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
}

// Every page is rendered with these. Chapters are untrusted markup from the web even after
// cleaning: scripts stay off; files without a character-set declaration are read as the
// UTF-8 they are written in; the engine waits for no scripts, since there are none.
const std::pair<const char*, const char*> kPageSettings[] = {
    {"load.blockLocalFileAccess", "true"},
    {"web.enableJavascript", "false"},
    {"web.defaultEncoding", "utf-8"},
    {"load.jsdelay", "0"},
};

// Local reads are confined to the page's own folder (where the cover picture lives).
void ApplyPageSettings(IWkObjectSettings& settings, const std::string& HtmlFile) {
    for (const auto& [name, value] : kPageSettings) {
        settings.SetValue(name, value);
    }
    settings.SetValue("load.allowed.append", "");
    settings.SetValue("load.allowed[0]", FolderOf(HtmlFile));
}

// The engine opens the page and the cover's picture itself, and would follow a link and wait
// on a pipe for as long as the page's bound allows; neither may be anything but a file.
void RequireRegularFile(const std::string& path) {
    int error = 0;
    const int fd = platform::OpenRegularFile(path, error);
    if (fd < 0) {
        throw EPageInputError("Cannot read file \"" + path + "\". " +
                              platform::RegularFileErrorText(error));
    }
    ::close(fd);
}

}  // namespace

std::string FilePathToUrl(const std::string& path) {
    std::string url = "file://";
    if (path.empty() || (path[0] != '/' && path[0] != '\\')) {
        url += '/';
    }
    std::string slashed = path;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    // A Windows drive's colon stays, or the address would name no drive.
    const size_t drive = StartsWithDriveLetter(slashed) ? 2 : 0;
    return url + slashed.substr(0, drive) + PercentEncode(std::string_view(slashed).substr(drive));
}

void HtmlToPdf(const std::string& HtmlFile, const std::string& PdfFile, bool bookStyle,
               const PageLook& look) {
    const IWkHtmlToPdfRef factory = GetWkHtmlToPdf();
    const IWkGlobalSettingsRef globalSettings = factory->CreateGlobalSettings();
    // No "out": the engine hands the PDF over in memory, and it reaches its file in one
    // atomic step, so that no reader ever sees half a chapter.
    const IWkObjectSettingsRef objectSettings = factory->CreateObjectSettings();
    ApplyPageSettings(*objectSettings, HtmlFile);
    if (bookStyle) {
        ApplyBookStyle(*globalSettings, *objectSettings, FolderOf(HtmlFile), look);
    } else {
        ApplyCoverStyle(*globalSettings, *objectSettings, FolderOf(HtmlFile), look);
    }
    objectSettings->SetValue("page", FilePathToUrl(HtmlFile));
    DebugLog("page=" + objectSettings->GetValue("page"));

    std::vector<uint8_t> pdf;
    {
        const IWkConverterRef converter = factory->CreateConverter(globalSettings);
        converter->AddObject(objectSettings);
        converter->Convert();
        pdf = converter->GetOutput();
    }
    // The engine goes through a temporary file of its own and does not notice when that
    // is cut short (a full disk); such a PDF must not reach the book.
    const std::string_view bytes(reinterpret_cast<const char*>(pdf.data()), pdf.size());
    if (!LooksLikeWholePdf(bytes,
                           bytes.substr(bytes.size() - std::min(bytes.size(), kPdfTailBytes)))) {
        throw EWriteError(PdfFile, "The HTML engine's PDF was cut short (is the disk full?)");
    }
    const std::string mended = MendTextLayer(bytes, ReadFileBytes(HtmlFile));
    // A chapter's PDF is made again by the next build; the disk need not be waited for.
    WriteFileAtomic(PdfFile, mended, platform::Durability::Scratch);
}

void RenderInProcess(const render::Request& request) {
    RequireRegularFile(request.source);
    if (request.kind == render::PageKind::Chapter) {
        HtmlToPdf(request.source, request.pdf, true, request.look);
        return;
    }
    if (const std::string picture = FolderOf(request.source) + "cover.jpg"; PathExists(picture)) {
        RequireRegularFile(picture);
    }
    HtmlToPdf(request.source, request.pdf, false, request.look);
}

std::string PageSettingsText() {
    std::string text;
    for (const auto& [name, value] : kPageSettings) {
        text += std::string(name) + "=" + value + "\n";
    }
    return text;
}

std::string EngineVersion() {
    if (!wk::LoadWkHtmlToX()) {
        throw EWkHtmlToXError(wk::SLoadLibraryError);
    }
    const char* version = wk::WkFn<wk::WkEntry::version>()();
    return version != nullptr ? version : "";
}

}  // namespace quill
