#include "downloader/Entry.h"

#include <iostream>
#include <nlohmann/json.hpp>

#include "common/Base64.h"
#include "downloader/Errors.h"

namespace quill {

std::unique_ptr<QuillObj> _book;

namespace {

std::string TicketMember(const nlohmann::json& ticket, const char* name) {
    const auto member = ticket.find(name);
    if (member == ticket.end()) {
        throw TicketError(std::string("the job ticket has no \"") + name + "\"");
    }
    if (!member->is_string()) {
        throw TicketError(std::string("the job ticket's \"") + name + "\" is not a text");
    }
    return member->get<std::string>();
}

}  // namespace

JobTicket DecodeTicket(const std::string& ticket) {
    std::string text;
    try {
        text = Base64Decode(ticket);
    } catch (const std::invalid_argument& failure) {
        throw TicketError(std::string("the job ticket is not Base64: ") + failure.what());
    }
    const nlohmann::json json = nlohmann::json::parse(text);
    if (!json.is_object()) {
        throw TicketError("the job ticket is not a JSON object");
    }
    return {TicketMember(json, "url"), TicketMember(json, "dir")};
}

int cli_main(const std::vector<std::string>& argv) {
    std::cout << argv.size() << std::endl;
    if (argv.size() <= 1) {
        std::cout << "error: para error" << std::endl;
        return 1;
    }
    if (argv.size() == 2) {
        const JobTicket ticket = DecodeTicket(argv[1]);
        main(ticket.url, ticket.dir);
    } else {
        main(argv[1], argv[2]);
    }
    return 0;
}

void main(const std::string& aurl, const std::string& adir) {
    if (!_book) {
        _book = std::make_unique<QuillObj>(adir);
    }
    _book->get_book(aurl);
}

}  // namespace quill
