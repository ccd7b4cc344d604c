#include "downloader/Entry.h"

#include <iostream>
#include <nlohmann/json.hpp>

#include "common/Ticket.h"
#include "downloader/FatalReport.h"

namespace quill {

std::unique_ptr<QuillObj> _book;

int cli_main(const std::vector<std::string>& argv) {
    std::cout << argv.size() << std::endl;
    if (argv.size() <= 1) {
        std::cout << "error: para error" << std::endl;
        return 1;
    }
    if (argv.size() == 2) {
        const JobTicket ticket = DecodeTicket(argv[1]);
        main(ticket.url, ticket.dir, ticket.store, ticket.refresh, ticket.pictures);
    } else {
        main(argv[1], argv[2]);
    }
    return 0;
}

void main(const std::string& aurl, const std::string& adir, const std::string& store,
          bool refresh, bool pictures) {
    if (!_book) {
        _book = std::make_unique<QuillObj>(adir);
    }
    _book->store = store;
    _book->refresh = refresh;
    _book->pictures = pictures;
    try {
        _book->get_book(aurl);
    } catch (const std::exception& failure) {
        // The window reads only the run log, so the cause goes there before the process ends.
        ReportFatalFailure(failure);
        throw;
    }
}

}  // namespace quill
