#include "common/Ticket.h"

#include <nlohmann/json.hpp>

#include "common/Base64.h"

namespace quill {

namespace {

using Json = nlohmann::ordered_json;

std::string Dump(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

const Json* Member(const Json& ticket, const char* name, bool required) {
    const auto member = ticket.find(name);
    if (member == ticket.end()) {
        if (required) {
            throw TicketError(std::string("the job ticket has no \"") + name + "\"");
        }
        return nullptr;
    }
    return &*member;
}

std::string TextMember(const Json& ticket, const char* name, bool required) {
    const Json* member = Member(ticket, name, required);
    if (member == nullptr) {
        return "";
    }
    if (!member->is_string()) {
        throw TicketError(std::string("the job ticket's \"") + name + "\" is not a text");
    }
    return member->get<std::string>();
}

bool FlagMember(const Json& ticket, const char* name, bool fallback = false) {
    const Json* member = Member(ticket, name, false);
    if (member == nullptr) {
        return fallback;
    }
    if (!member->is_boolean()) {
        throw TicketError(std::string("the job ticket's \"") + name + "\" is not true or false");
    }
    return member->get<bool>();
}

}  // namespace

std::string EncodeTicket(const JobTicket& ticket) {
    Json json = Json::object();
    json["url"] = ticket.url;
    json["dir"] = ticket.dir;
    if (!ticket.store.empty()) {
        json["store"] = ticket.store;
    }
    if (ticket.refresh) {
        json["refresh"] = true;
    }
    if (!ticket.pictures) {
        json["pictures"] = false;
    }
    return Base64Encode(Dump(json));
}

JobTicket DecodeTicket(const std::string& ticket) {
    std::string text;
    try {
        text = Base64Decode(ticket);
    } catch (const std::invalid_argument& failure) {
        throw TicketError(std::string("the job ticket is not Base64: ") + failure.what());
    }
    Json json;
    try {
        json = Json::parse(text);
    } catch (const Json::parse_error&) {
        throw;
    } catch (const Json::exception& failure) {
        // Valid JSON that the parser cannot hold, such as a number out of range.
        throw TicketError(std::string("the job ticket cannot be read: ") + failure.what());
    }
    if (!json.is_object()) {
        throw TicketError("the job ticket is not a JSON object");
    }
    JobTicket decoded;
    decoded.url = TextMember(json, "url", true);
    decoded.dir = TextMember(json, "dir", true);
    decoded.store = TextMember(json, "store", false);
    decoded.refresh = FlagMember(json, "refresh");
    decoded.pictures = FlagMember(json, "pictures", true);
    return decoded;
}

}  // namespace quill
