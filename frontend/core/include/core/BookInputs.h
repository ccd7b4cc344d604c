#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "assembly/BookBuilder.h"
#include "core/RunLog.h"

namespace quill {

// A digest of everything a book is made from: the story's title, author, language and
// address, each chapter's position, title and file in the work folder with the pictures it
// shows, and the cover picture. Two builds from the same digest make the same book, so a
// story that brought nothing new keeps its book as it is instead of being built again.
//
// With volumes, each volume's book has a digest of its own: the choices it was made with and
// its own chapters only, so that a story that grew rebuilds only the volumes it grew in.
// The whole story's book counts its choices only when they are not the defaults.
std::string BookInputsDigest(const BookInfo& info, const std::string& tmpdir,
                             const std::string& storyUrl, const BookChoices& choices = {},
                             const VolumeRange& volume = {});

// The volumes the chapters of the work folder make with these choices (one, number 0,
// without volumes), as the builder plans them.
std::vector<VolumeRange> PlannedVolumes(const BookInfo& info, const std::string& tmpdir,
                                        const BookChoices& choices);

// The editions a request makes, by the library's names: "pdf", "epub", or both.
std::vector<std::string> EditionFormats(BookFormat format);
// The request's format for editions of these names (a PDF when there are none).
BookFormat FormatOfEditions(const std::vector<std::string>& formats);
// "pdf" or "epub" by the file's extension.
std::string EditionOfFile(const std::string& path);

// A regular file's size and modification time, by which a book changed or replaced since
// it was saved is told apart; nothing when no regular file is there.
struct FileStamp {
    int64_t size = -1;
    int64_t modifiedNs = -1;
};
std::optional<FileStamp> StampOf(const std::string& path);

}  // namespace quill
