// Reading back which story an existing EPUB holds, so a new edition never replaces the
// book of another story that happens to have the same title.
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <zip.h>

#include <cstring>
#include <memory>

#include "EpubDocuments.h"
#include "bookjob/ChapterRecord.h"
#include "epub/EpubBook.h"

namespace quill {

namespace {

// Far above what a package document of a long story needs; a file that claims more is
// not one of ours and is not read into memory.
constexpr zip_uint64_t kMostEntryBytes = 16 * 1024 * 1024;
constexpr const char* kOpfNamespace = "http://www.idpf.org/2007/opf";

struct ArchiveClose {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct FileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using Archive = std::unique_ptr<zip_t, ArchiveClose>;
using XmlDoc = std::unique_ptr<xmlDoc, DocFree>;

std::optional<std::string> ReadEntry(zip_t* archive, const std::string& name) {
    zip_stat_t stat;
    if (zip_stat(archive, name.c_str(), 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0 ||
        stat.size > kMostEntryBytes) {
        return std::nullopt;
    }
    const std::unique_ptr<zip_file_t, FileClose> file(zip_fopen(archive, name.c_str(), 0));
    if (!file) {
        return std::nullopt;
    }
    std::string bytes(stat.size, '\0');
    if (zip_fread(file.get(), bytes.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) {
        return std::nullopt;
    }
    return bytes;
}

// Parsed without fetching anything and without a document type's entities: the file may
// come from anywhere.
XmlDoc ParseXml(const std::string& bytes) {
    XmlDoc doc(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                             XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (doc && doc->intSubset != nullptr) {
        doc.reset();
    }
    return doc;
}

// The first element of that local name and namespace, in document order.
xmlNode* FindElement(xmlNode* node, const char* ns, const char* name) {
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) {
            continue;
        }
        if (node->ns != nullptr &&
            std::strcmp(reinterpret_cast<const char*>(node->ns->href), ns) == 0 &&
            std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0) {
            return node;
        }
        if (xmlNode* found = FindElement(node->children, ns, name)) {
            return found;
        }
    }
    return nullptr;
}

std::optional<std::string> PackagePath(zip_t* archive) {
    const std::optional<std::string> container = ReadEntry(archive, "META-INF/container.xml");
    const XmlDoc doc = container ? ParseXml(*container) : nullptr;
    xmlNode* rootfile =
        doc ? FindElement(doc->children, "urn:oasis:names:tc:opendocument:xmlns:container",
                          "rootfile")
            : nullptr;
    xmlChar* path = rootfile ? xmlGetProp(rootfile, BAD_CAST "full-path") : nullptr;
    if (path == nullptr) {
        return std::nullopt;
    }
    std::string result = reinterpret_cast<const char*>(path);
    xmlFree(path);
    return result;
}

// The package document of the EPUB at path, parsed; null when there is none.
XmlDoc ReadPackage(const std::string& path) {
    const Archive archive(zip_open(path.c_str(), ZIP_RDONLY, nullptr));
    const std::optional<std::string> package = archive ? PackagePath(archive.get()) : std::nullopt;
    const std::optional<std::string> opf =
        package ? ReadEntry(archive.get(), *package) : std::nullopt;
    return opf ? ParseXml(*opf) : nullptr;
}

// The text of the package's <meta property="...">; nothing when it has none.
std::optional<std::string> MetaProperty(xmlNode* node, const char* property) {
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) {
            continue;
        }
        if (node->ns != nullptr &&
            std::strcmp(reinterpret_cast<const char*>(node->ns->href), kOpfNamespace) == 0 &&
            std::strcmp(reinterpret_cast<const char*>(node->name), "meta") == 0) {
            xmlChar* value = xmlGetProp(node, BAD_CAST "property");
            const bool match = value != nullptr &&
                               std::strcmp(reinterpret_cast<const char*>(value), property) == 0;
            xmlFree(value);
            if (match) {
                xmlChar* text = xmlNodeGetContent(node);
                std::string content = text ? reinterpret_cast<const char*>(text) : "";
                xmlFree(text);
                return content;
            }
        }
        if (auto found = MetaProperty(node->children, property)) {
            return found;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::vector<int>> ChaptersOfEpub(const std::string& path) {
    const XmlDoc doc = ReadPackage(path);
    const std::optional<std::string> record =
        doc ? MetaProperty(doc->children, epub::kChaptersProperty) : std::nullopt;
    return record ? ParseChapterList(*record) : std::nullopt;
}

std::optional<std::string> StoryOfEpub(const std::string& path) {
    const Archive archive(zip_open(path.c_str(), ZIP_RDONLY, nullptr));
    const std::optional<std::string> package = archive ? PackagePath(archive.get()) : std::nullopt;
    const std::optional<std::string> opf =
        package ? ReadEntry(archive.get(), *package) : std::nullopt;
    const XmlDoc doc = opf ? ParseXml(*opf) : nullptr;
    xmlNode* source =
        doc ? FindElement(doc->children, "http://purl.org/dc/elements/1.1/", "source") : nullptr;
    if (source == nullptr) {
        return std::nullopt;
    }
    xmlChar* text = xmlNodeGetContent(source);
    std::string story = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return story;
}

}  // namespace quill
