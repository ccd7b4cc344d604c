#include "core/BookInputs.h"

#include <sys/stat.h>

#include <algorithm>

#include "common/Digest.h"
#include "common/FileBytes.h"
#include "common/Paths.h"
#include "common/PictureList.h"
#include "common/Text.h"

namespace quill {

namespace {

// Each value goes in with its length, so that no two different inputs run together into
// the same bytes.
void AddField(Sha256& digest, const std::string& value) {
    digest.Add(std::to_string(value.size())).Add(":").Add(value).Add("\n");
}

void AddFile(Sha256& digest, const std::string& path) {
    const std::optional<std::string> bytes = TryReadFileBytes(path);
    AddField(digest, bytes ? Sha256Hex(*bytes) : "-");
}

}  // namespace

std::string BookInputsDigest(const BookInfo& info, const std::string& tmpdir,
                             const std::string& storyUrl, const BookChoices& choices,
                             const VolumeRange& volume) {
    Sha256 digest;
    AddField(digest, volume.number == 0 ? "quillby book inputs 2" : "quillby volume inputs 2");
    AddField(digest, info.title.value_or(""));
    AddField(digest, info.author.value_or(""));
    AddField(digest, info.language.value_or(""));
    AddField(digest, storyUrl);
    if (volume.number == 0) {
        AddField(digest, std::to_string(info.chapterCount.value_or(-1)));
        if (choices != BookChoices{}) {
            AddField(digest, BookChoicesText(choices));
        }
    } else {
        AddField(digest, BookChoicesText(choices));
        AddField(digest, std::to_string(volume.first) + "-" + std::to_string(volume.last));
    }
    for (const ChapterLine& chapter : info.chapters) {
        if (volume.number != 0 &&
            (chapter.position < volume.first || chapter.position > volume.last)) {
            continue;
        }
        AddField(digest, std::to_string(chapter.position));
        AddField(digest, chapter.title);
        AddFile(digest, tmpdir + "/" + std::to_string(chapter.position) + ".html");
        // Only a chapter that shows pictures adds them, so a text-only book keeps its digest.
        if (const auto pictures = ReadChapterPictures(tmpdir, chapter.position)) {
            AddField(digest, "pictures");
            for (const PictureLink& link : *pictures) {
                AddField(digest, link.src);
                AddFile(digest, tmpdir + "/" + link.file);
            }
        }
    }
    AddFile(digest, tmpdir + "/cover.jpg");
    return digest.Hex();
}

std::vector<VolumeRange> PlannedVolumes(const BookInfo& info, const std::string& tmpdir,
                                        const BookChoices& choices) {
    std::vector<int> chapters;
    for (const ChapterLine& chapter : info.chapters) {
        if (FileExists(tmpdir + "/" + std::to_string(chapter.position) + ".html")) {
            chapters.push_back(chapter.position);
        }
    }
    std::sort(chapters.begin(), chapters.end());
    chapters.erase(std::unique(chapters.begin(), chapters.end()), chapters.end());
    return PlanVolumes(chapters, choices.volumeChapters, info.chapterCount.value_or(0));
}

std::vector<std::string> EditionFormats(BookFormat format) {
    switch (format) {
        case BookFormat::Pdf:
            return {"pdf"};
        case BookFormat::Epub:
            return {"epub"};
        case BookFormat::PdfAndEpub:
            break;
    }
    return {"pdf", "epub"};
}

BookFormat FormatOfEditions(const std::vector<std::string>& formats) {
    const bool pdf = std::count(formats.begin(), formats.end(), "pdf") > 0;
    const bool epub = std::count(formats.begin(), formats.end(), "epub") > 0;
    if (pdf && epub) {
        return BookFormat::PdfAndEpub;
    }
    return epub ? BookFormat::Epub : BookFormat::Pdf;
}

std::string EditionOfFile(const std::string& path) {
    return EndsWith(path, ".epub") ? "epub" : "pdf";
}

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.size = static_cast<int64_t>(st.st_size);
    stamp.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

}  // namespace quill
