#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace quill {

// One chapter as get_chapter returns it.
struct Chapter {
    std::string heading;    // the chapter heading (UTF-8)
    std::string entryName;  // "My-Title-3.xhtml": heading with blanks as "-", then the count
    std::string document;   // the chapter document the chapter file holds
};

// The story session: the one object through which the downloader does a job. Creating it
// opens the run log in the work folder.
class QuillObj {
  public:
    explicit QuillObj(const std::string& adir);

    // Stores the picture at cover_url in cover_file; 1 when stored, 0 when not.
    int get_cover(const std::string& cover_url, const std::string& cover_file);
    // Strips the paragraph identifiers and no-break spaces from story markup.
    std::string clean_text(const std::string& text) const;
    // The formatted markup of the page's first pre element.
    std::string get_page(const std::string& text_url);
    // Downloads every page of the chapter at url.
    Chapter get_chapter(const std::string& url);
    // Writes a chapter file into the work folder.
    void savefile(const std::string& fname, const std::string& txt);
    // Prints the text of one page (a diagnostic).
    void test_page(const std::string& text_url);
    // Downloads the whole story at aurl into the work folder.
    void get_book(const std::string& aurl);

    std::string ebookdir;  // the work folder
    std::string store;     // the chapter store's folder; empty: fetch every chapter
    bool refresh = false;  // fetch every chapter again, replacing the stored copies
    bool pictures = true;  // fetch the pictures the chapters show (see PictureFetcher)
    nlohmann::json bookmeta = nlohmann::json::object();  // title, author, filename, chapternum
    std::string id;                                      // the story's identifier
    int chapterCount = 0;                                // get_chapter calls so far
};

}  // namespace quill
