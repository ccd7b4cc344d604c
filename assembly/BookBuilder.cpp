#include "assembly/BookBuilder.h"

#include <cstdio>
#include <optional>
#include <string_view>

#include "assembly/PdfiumCore.h"
#include "assembly/WkHtmlToXConsts.h"
#include "assembly/WkHtmlToXCore.h"
#include "common/CleanFileName.h"
#include "common/DebugLog.h"
#include "common/Paths.h"
#include "common/Utf8.h"

namespace quill {

namespace {

// A book name longer than this is cut, counted the way the window counts text.
constexpr size_t kMaxBookNameUnits = 40;

std::optional<unsigned> ParseHex(std::u16string_view digits) {
    if (digits.empty()) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char16_t c : digits) {
        unsigned digit;
        if (c >= u'0' && c <= u'9') {
            digit = c - u'0';
        } else if (c >= u'a' && c <= u'f') {
            digit = c - u'a' + 10;
        } else if (c >= u'A' && c <= u'F') {
            digit = c - u'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return value;
}

std::u16string_view TrimBlanks(std::u16string_view text) {
    while (!text.empty() && text.front() <= u' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() <= u' ') {
        text.remove_suffix(1);
    }
    return text;
}

// The escape at the start of `text` ("%uXXXX" or "%XX"): the UTF-16 unit it stands for
// and its length, or nothing when it is not a valid escape.
std::optional<std::pair<char16_t, size_t>> ReadEscape(std::u16string_view text) {
    if (text.size() >= 2 && (text[1] == u'u' || text[1] == u'U')) {
        if (text.size() >= 6) {
            if (auto unit = ParseHex(text.substr(2, 4))) {
                return std::make_pair(static_cast<char16_t>(*unit), size_t{6});
            }
        }
        return std::nullopt;
    }
    if (text.size() >= 3) {
        if (auto code = ParseHex(TrimBlanks(text.substr(1, 2)))) {
            return std::make_pair(static_cast<char16_t>(*code), size_t{3});
        }
    }
    return std::nullopt;
}

// Titles may carry the site's escapes. A "%" that starts no valid escape is ordinary
// text, so "100% Love" keeps its " L".
std::u16string PercentDecode(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == u'%') {
            if (auto escape = ReadEscape(text.substr(i))) {
                out += escape->first;
                i += escape->second;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

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

std::string MakeBookName(const std::string& booktitle) {
    const std::string decoded = Utf16ToUtf8(PercentDecode(Utf8ToUtf16(booktitle)));
    return TruncateUtf16Units(CleanFileName(decoded), kMaxBookNameUnits);
}

void HtmlToPdf(const std::string& HtmlFile, const std::string& PdfFile) {
    const IWkHtmlToPdfRef factory = GetWkHtmlToPdf();
    const IWkGlobalSettingsRef globalSettings = factory->CreateGlobalSettings();
    globalSettings->SetValue("out", PdfFile);
    const IWkObjectSettingsRef objectSettings = factory->CreateObjectSettings();
    ApplyChapterSettings(*objectSettings, HtmlFile);
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
            HtmlToPdf(html, prefix + std::to_string(n) + ".pdf");
        }
    }
}

int AppendPdf(const std::string& FileName, TPdfDocument& Book) {
    if (!FileExists(FileName)) {
        return 0;
    }
    TPdfDocument source;
    source.LoadFromFile(FileName, "", TPdfDocumentLoadOption::dloMMF);
    const int count = source.PageCount();
    Book.ImportPages(source, "", -1);
    return count;
}

void BuildBook(BookJob& job, IWindowLog& log) {
    log.Log("");
    log.Log("");
    ConvertChapters(job, log);
    job.bookdir = IncludeTrailingSeparator(job.tmpdir);
    log.Log("building book ....");
    job.bookfile.clear();
    const std::string bookPath =
        IncludeTrailingSeparator(job.datadir) + MakeBookName(job.booktitle) + ".pdf";
    {
        TPdfDocument book;
        book.NewDocument();
        int total = 0;
        for (long long i = 0; i <= job.lastchapter; ++i) {
            log.ProcessMessages();
            const std::string file = job.bookdir + std::to_string(i) + ".pdf";
            if (FileExists(file)) {
                log.UpdateLog("process pdf file " + std::to_string(i) + " page " +
                              std::to_string(total));
                total += AppendPdf(file, book);
            }
        }
        book.SaveToFile(bookPath, kPdfSaveRemoveSecurity, -1);
    }
    log.Log("save pdf file " + bookPath);
    job.bookfile = bookPath;
}

}  // namespace quill
