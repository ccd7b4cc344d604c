#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// Splits run-log bytes into lines the way the downloader writes them: CR LF ends a line,
// and so does a lone CR or LF; a byte-order mark at the start is skipped; a line end at
// the very end adds no empty line.
std::vector<std::string> SplitLogLines(std::string_view bytes);

// One table-of-contents entry the downloader set out to fetch ("chapter_7 / 12: Title").
struct ChapterLine {
    int position = 0;
    std::string title;
    bool savedCopy = false;  // taken from the chapter store, not fetched
    bool failed = false;     // an "error ontimer" followed it
};

// The failure that ended a download ("fatal:<cause>:<message>"), as the downloader names it.
struct FatalLine {
    std::string cause;    // "not-found", "refused", "certificate", ...; empty when unnamed
    std::string message;  // the downloader's own message, one line
};

// What a run log says about a job. Keys count only at the start of a line, so no text a
// story carries inside a line can pass for one.
struct BookInfo {
    std::optional<std::string> title;   // the last "title:" line's value
    std::optional<std::string> author;  // the last "author:" line's value
    // The last "story:" line's number: the story's number as the downloader learnt it
    // (nothing when that line is missing or holds anything but a number).
    std::optional<uint64_t> storyNumber;
    // The last "language:" line's tag: the story's language as the site gives it (nothing
    // when that line is missing or holds no well-formed tag).
    std::optional<std::string> language;
    // The last "chapter:" line's value: the number of table-of-contents entries. Nothing
    // when there is no such line or its value is not a whole number (countValid false).
    std::optional<int> chapterCount;
    bool countValid = true;
    bool done = false;  // the downloader wrote "done"
    std::vector<ChapterLine> chapters;
    std::optional<FatalLine> fatal;  // the downloader stopped on this failure
    // How many of each chapter's pictures the downloader left out, by chapter position.
    std::map<int, int> picturesLeftOut;
};

BookInfo ReadBookInfo(const std::vector<std::string>& lines);

// A whole decimal number (leading blanks and a sign allowed) that fits an int, or nothing.
std::optional<int> ParseWholeNumber(std::string_view text);

// The value of a keyed line ("title:Tale" → "Tale"), or nothing when the line does not
// start with the key.
std::optional<std::string> KeyedValue(std::string_view line, std::string_view key);

// The pictures a line says the downloader left out: (chapter, 1) for "Picture left out of
// chapter {i} (…", (chapter, k) for "Pictures left out of chapter {i}: {k} more…"; nothing
// for any other line.
std::optional<std::pair<int, int>> ParsePicturesLeftOut(std::string_view line);

// Parses "chapter_{i} / {n}: {title}[ (saved copy)]"; nothing for any other line.
std::optional<ChapterLine> ParseChapterLine(std::string_view line);

// Follows a run log that another process is writing: each Poll() returns the whole lines
// added since the last one. A line is taken only once its line end has arrived, except by
// the final poll, when the writer has ended. A log that got shorter (a new job emptied it)
// is read again from the start.
class RunLogTail {
  public:
    explicit RunLogTail(std::string path) : path_(std::move(path)) {}

    enum class Result { Missing, Unchanged, Grew, Restarted };
    // `final`: the writer has ended, so a last line without its line end is whole.
    Result Poll(std::vector<std::string>& lines, bool final = false);

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    uint64_t offset_ = 0;  // bytes consumed as whole lines
    int64_t lastWriteNs_ = -1;
    uint64_t lastSize_ = 0;
};

}  // namespace quill
