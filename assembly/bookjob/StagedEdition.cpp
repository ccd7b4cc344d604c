#include "bookjob/StagedEdition.h"

#include <cstring>

#include "common/Errors.h"

namespace quill {

bool SaveEdition(BookJob& job, StagedEdition& edition, BuildReport& report) {
    if (auto kept =
            KeepEarlierBook(edition.path, edition.chaptersOf, edition.held, edition.leftOut)) {
        job.kept.push_back(std::move(*kept));
        edition.file.reset();  // the new edition's temporary file goes
        return false;
    }
    report.Report(build::Saving{edition.edition});
    if (!edition.file || !edition.file->Commit()) {
        throw EWriteError(edition.path,
                          std::strerror(edition.file ? edition.file->ErrorCode() : EBADF));
    }
    report.Report(build::EditionSaved{edition.edition, edition.path});
    return true;
}

}  // namespace quill
