#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "PictureSite.h"
#include "common/PictureList.h"

namespace quill {

class ChapterStore;

// The pictures of one job's chapters. Each picture a chapter shows is fetched from the story
// site as part of that chapter, at most once for the whole story, within the bounds of
// Limits.h, and only when its bytes are a JPEG, PNG, GIF or WebP of a size a book can take.
// It is kept in the chapter store and copied into the work folder, and the chapter's list
// (PictureListName) maps its source to that copy. A picture that cannot be had is left out
// with a run-log line that names it and the cause; the chapter keeps its text.
class PictureFetcher {
  public:
    // store: the story's kept chapters, or nullptr; refresh: kept pictures are fetched again.
    PictureFetcher(const std::string& storyUrl, std::string workFolder, const ChapterStore* store,
                   bool refresh);

    struct Outcome {
        bool listed = false;  // the chapter shows pictures: its list is in the work folder
        int requests = 0;     // pictures asked of the site
    };
    // Chapter `position`, fetched from chapterUrl, whose chapter document is `document`.
    // `saved`: the chapter is the store's copy; what its pictures came to when it was fetched
    // (kept, or left out for good) is taken from the store then, without asking the site.
    // Throws OSError when the work folder cannot be written.
    Outcome Chapter(int position, const std::string& chapterUrl, const std::string& document,
                    bool saved);

  private:
    // A picture as far as the job has got with it: its copy, or why there is none.
    struct Known {
        std::string file;
        size_t bytes = 0;
        std::string why;
        bool lasting = false;  // a later job would meet the same cause
    };
    struct Run;

    void Take(Run& run, const std::string& page, const std::string& src);
    Known Obtain(Run& run, const std::string& address);
    Known Kept(const std::string& address);
    Known Fetch(Run& run, const std::string& address, size_t limit);
    Known Accept(const std::string& address, const std::string& bytes, bool keep);
    void LeftOut(Run& run, const std::string& name, const std::string& why);

    PictureSite site_;
    std::string workFolder_;
    const ChapterStore* store_;
    bool refresh_;
    std::map<std::string, Known> known_;  // by address, for the whole job
};

}  // namespace quill
