#pragma once

#include <string>

#include "common/Errors.h"

namespace quill {

// What one download job is about. The window writes it, the downloader reads it.
struct JobTicket {
    std::string url;       // the story address as the user entered it
    std::string dir;       // the work folder
    std::string store;     // the chapter store's folder; empty: no store (fetch everything)
    bool refresh = false;  // fetch every chapter again, replacing the stored copies
    bool pictures = true;  // fetch the pictures the chapters show; false: text only
};

// A job ticket that cannot be read.
class TicketError : public Exception {
  public:
    explicit TicketError(const std::string& message) : Exception(message, "TicketError") {}
};

// Base64 (no line breaks) of the compact UTF-8 JSON object {"url":…,"dir":…}; "store",
// "refresh" and "pictures" (false) follow only when they differ from a plain job's, so a
// plain job's ticket keeps its plain form.
// Invalid UTF-8 becomes U+FFFD rather than an unreadable ticket.
std::string EncodeTicket(const JobTicket& ticket);

// Reads a ticket: Base64 (line breaks and blanks skipped) of a JSON object with the text
// members "url" and "dir", and optionally "store" (text), "refresh" and "pictures" (true or
// false; without "pictures" a job fetches them).
// Other members are ignored. Throws TicketError, or nlohmann::json::parse_error for text
// that is not JSON.
JobTicket DecodeTicket(const std::string& ticket);

}  // namespace quill
