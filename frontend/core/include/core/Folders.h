#pragma once

#include <string>

#include "common/Errors.h"

namespace quill {

// The product's name: the window's title, the data folder's name.
extern const char* const kProductTitle;

// The folders of a user's jobs.
struct JobFolders {
    std::string datadir;       // Documents/Inkvale/<name>/, with a trailing "/": the books
    std::string tmpdir;        // datadir + "tmp": the work folder, no trailing "/"
    std::string logfile;       // the downloader's run log in the work folder
    std::string lockfile;      // held while a job runs; one job per data folder
    std::string store;         // chapters kept between jobs; empty when unusable
    std::string library;       // the library of stories, beside the store; empty with it
    std::string renderCache;   // rendered chapters kept between jobs, in the user's cache;
                               // empty when there is no home to keep it in
    std::string storeProblem;  // why the store is unusable, for a log line; empty otherwise
};

// Where books cannot be saved: the message names the folder and says why.
class EDataFolderError : public Exception {
  public:
    using Exception::Exception;
};

// Finds the user's folders for the product `name` and creates what is missing, one level
// at a time below folders that exist. Throws EDataFolderError when the Documents folder is
// unknown (HOME unset), not a folder, or not writable; nothing is then created anywhere.
// A chapter store that cannot be made only leaves `store` empty.
JobFolders PrepareFolders(const std::string& name);

// Deletes every file directly inside the folder whose name contains a ".": a job's run
// log, chapter files, cover and PDFs go, while subfolders and dot-less names stay.
void ClearDir(const std::string& path);

// Removes the temporary files that killed jobs left behind, and only those (by the names
// our writers give them), from the folders a job writes: the data folder, the work folder,
// the chapter store with its story folders, and the render cache. The data and work
// folders belong to the job that holds their lock; in the store and the cache, which
// other programs of the user may be writing at the same time, a file goes only once it
// has been left untouched for a while.
void RemoveLeftovers(const JobFolders& folders);

}  // namespace quill
