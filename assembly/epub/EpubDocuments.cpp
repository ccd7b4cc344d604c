#include "EpubDocuments.h"

#include "EpubText.h"
#include "bookjob/ChapterRecord.h"

namespace quill::epub {

namespace {

constexpr const char* kCoverPage = "cover.xhtml";
constexpr const char* kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// The opening of every XHTML document of the book, up to and including <body>.
std::string XhtmlHead(const BookMetadata& book, const std::string& title) {
    const std::string lang = XmlEscape(book.language);
    return std::string(kXmlDeclaration) +
           "<!DOCTYPE html>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\" "
           "xmlns:epub=\"http://www.idpf.org/2007/ops\" lang=\"" +
           lang + "\" xml:lang=\"" + lang + "\"" + (book.rightToLeft ? " dir=\"rtl\"" : "") +
           ">\n<head>\n<title>" + XmlEscape(title) +
           "</title>\n<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"/>\n"
           "</head>\n<body>\n";
}

constexpr const char* kXhtmlTail = "</body>\n</html>\n";

std::string ManifestItem(const std::string& id, const std::string& href,
                         const std::string& mediaType, const std::string& properties = "") {
    std::string item =
        "    <item id=\"" + id + "\" href=\"" + href + "\" media-type=\"" + mediaType + "\"";
    if (!properties.empty()) {
        item += " properties=\"" + properties + "\"";
    }
    return item + "/>\n";
}

std::string Metadata(const BookMetadata& book, const std::string& chapterRecord) {
    std::string out = "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n";
    out += "    <dc:identifier id=\"book-id\">" + XmlEscape(book.identifier) + "</dc:identifier>\n";
    out += "    <dc:title>" + XmlEscape(book.title) + "</dc:title>\n";
    if (!book.author.empty()) {
        out += "    <dc:creator>" + XmlEscape(book.author) + "</dc:creator>\n";
    }
    out += "    <dc:language>" + XmlEscape(book.language) + "</dc:language>\n";
    if (!book.source.empty()) {
        out += "    <dc:source>" + XmlEscape(book.source) + "</dc:source>\n";
    }
    out += "    <meta property=\"dcterms:modified\">" + book.modified + "</meta>\n";
    out += "    <meta property=\"" + std::string(kChaptersProperty) + "\">" + chapterRecord +
           "</meta>\n";
    if (book.cover) {
        // Readers that only know EPUB 2 find the cover picture through this.
        out += "    <meta name=\"cover\" content=\"cover-image\"/>\n";
    }
    return out + "  </metadata>\n";
}

std::string Manifest(const BookMetadata& book, const std::vector<int>& chapters) {
    std::string out = "  <manifest>\n";
    out += ManifestItem("nav", "nav.xhtml", "application/xhtml+xml", "nav");
    out += ManifestItem("ncx", "toc.ncx", "application/x-dtbncx+xml");
    out += ManifestItem("style", "style.css", "text/css");
    if (book.cover) {
        out +=
            ManifestItem("cover-image", book.cover->fileName, book.cover->mediaType, "cover-image");
    }
    out += ManifestItem("cover", kCoverPage, "application/xhtml+xml");
    out += PictureItems(book.pictures);
    for (const int number : chapters) {
        out += ManifestItem("chapter-" + std::to_string(number), ChapterFileName(number),
                            "application/xhtml+xml");
    }
    return out + "  </manifest>\n";
}

// A right-to-left story's pages turn the other way.
std::string Spine(const BookMetadata& book, const std::vector<int>& chapters) {
    std::string out = std::string("  <spine toc=\"ncx\"") +
                      (book.rightToLeft ? " page-progression-direction=\"rtl\"" : "") +
                      ">\n    <itemref idref=\"cover\"/>\n";
    for (const int number : chapters) {
        out += "    <itemref idref=\"chapter-" + std::to_string(number) + "\"/>\n";
    }
    return out + "  </spine>\n";
}

}  // namespace

std::string ChapterFileName(int number) {
    return "chapter-" + std::to_string(number) + ".xhtml";
}

std::string ContainerXml() {
    return std::string(kXmlDeclaration) +
           "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
           "  <rootfiles>\n"
           "    <rootfile full-path=\"" +
           kPackagePath +
           "\" media-type=\"application/oebps-package+xml\"/>\n"
           "  </rootfiles>\n"
           "</container>\n";
}

// Sizes are relative throughout: the reader's own text size setting stays in charge.
std::string StyleSheet() {
    return "body { margin: 0 0.6em; line-height: 1.45; }\n"
           "h1, h2 { line-height: 1.2; text-align: center; margin: 1.2em 0 1em; "
           "page-break-after: avoid; }\n"
           "h1 { font-size: 1.6em; }\n"
           "h2 { font-size: 1.4em; }\n"
           "p { margin: 0 0 0.7em; orphans: 2; widows: 2; }\n"
           "div.page + div.page { margin-top: 1.2em; }\n"
           "div.cover { margin: 0; padding: 0; text-align: center; }\n"
           "div.cover img { max-width: 100%; max-height: 100%; }\n"
           "div.title-page { margin-top: 30%; text-align: center; }\n"
           "p.author { font-style: italic; }\n" +
           PictureStyleSheet();
}

std::string PackageDocument(const BookMetadata& book, const std::vector<int>& chapters,
                            const std::vector<int>& held) {
    return std::string(kXmlDeclaration) +
           "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
           "unique-identifier=\"book-id\" prefix=\"" +
           kPackagePrefix + "\" xml:lang=\"" + XmlEscape(book.language) + "\">\n" +
           Metadata(book, FormatChapterList(held)) + Manifest(book, chapters) +
           Spine(book, chapters) + "</package>\n";
}

std::string NavDocument(const BookMetadata& book, const std::vector<ChapterEntry>& chapters) {
    std::string out = XhtmlHead(book, "Contents");
    out += "<nav epub:type=\"toc\" id=\"toc\">\n<h1>Contents</h1>\n<ol>\n";
    out += "<li><a href=\"" + std::string(kCoverPage) + "\">Cover</a></li>\n";
    for (const ChapterEntry& chapter : chapters) {
        out += "<li><a href=\"" + ChapterFileName(chapter.number) + "\">" +
               XmlEscape(chapter.heading) + "</a></li>\n";
    }
    out += "</ol>\n</nav>\n";
    out +=
        "<nav epub:type=\"landmarks\" id=\"landmarks\" hidden=\"hidden\">\n<h2>Landmarks</h2>\n"
        "<ol>\n<li><a epub:type=\"cover\" href=\"" +
        std::string(kCoverPage) + "\">Cover</a></li>\n";
    if (!chapters.empty()) {
        out += "<li><a epub:type=\"bodymatter\" href=\"" +
               ChapterFileName(chapters.front().number) + "\">Start of the story</a></li>\n";
    }
    return out + "</ol>\n</nav>\n" + kXhtmlTail;
}

std::string NcxDocument(const BookMetadata& book, const std::vector<ChapterEntry>& chapters) {
    std::string out = std::string(kXmlDeclaration) +
                      "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\" "
                      "xml:lang=\"" +
                      XmlEscape(book.language) +
                      "\">\n<head>\n"
                      "  <meta name=\"dtb:uid\" content=\"" +
                      XmlEscape(book.identifier) +
                      "\"/>\n  <meta name=\"dtb:depth\" content=\"1\"/>\n"
                      "  <meta name=\"dtb:totalPageCount\" content=\"0\"/>\n"
                      "  <meta name=\"dtb:maxPageNumber\" content=\"0\"/>\n</head>\n"
                      "<docTitle><text>" +
                      XmlEscape(book.title) + "</text></docTitle>\n";
    if (!book.author.empty()) {
        out += "<docAuthor><text>" + XmlEscape(book.author) + "</text></docAuthor>\n";
    }
    out += "<navMap>\n";
    const auto point = [&out](int order, const std::string& label, const std::string& href) {
        const std::string n = std::to_string(order);
        out += "  <navPoint id=\"point-" + n + "\" playOrder=\"" + n + "\"><navLabel><text>" +
               XmlEscape(label) + "</text></navLabel><content src=\"" + href + "\"/></navPoint>\n";
    };
    point(1, "Cover", kCoverPage);
    int order = 1;
    for (const ChapterEntry& chapter : chapters) {
        point(++order, chapter.heading, ChapterFileName(chapter.number));
    }
    return out + "</navMap>\n</ncx>\n";
}

std::string CoverPage(const BookMetadata& book) {
    std::string out = XhtmlHead(book, book.title);
    if (book.cover) {
        out += "<div class=\"cover\"><img src=\"" + book.cover->fileName + "\" alt=\"" +
               XmlEscape(book.title) + "\"/></div>\n";
    } else {
        // Without a picture the first page still names the story.
        out += "<div class=\"title-page\">\n<h1>" + XmlEscape(book.title) + "</h1>\n";
        if (!book.author.empty()) {
            out += "<p class=\"author\">" + XmlEscape(book.author) + "</p>\n";
        }
        out += "</div>\n";
    }
    return out + kXhtmlTail;
}

// One stray control character or broken byte from a page would make a reader reject the
// whole book, so the fragment is passed through the XML character rules once more.
std::string ChapterDocument(const BookMetadata& book, const ChapterEntry& chapter,
                            const std::string& fragment) {
    return XhtmlHead(book, chapter.heading) + "<section epub:type=\"chapter\">\n" +
           XmlCharacters(fragment) + "\n</section>\n" + kXhtmlTail;
}

}  // namespace quill::epub
