// Any bytes as the downloader's command-line argument: decoded as a job ticket, or refused
// with TicketError or a JSON parse error. A ticket that decodes must come back the same
// through the window's encoder, so what the window writes is what the downloader reads.

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "common/Ticket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quill::JobTicket ticket;
    try {
        ticket = quill::DecodeTicket(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const quill::TicketError&) {
        return 0;
    } catch (const nlohmann::json::parse_error&) {
        return 0;
    }
    const quill::JobTicket again = quill::DecodeTicket(quill::EncodeTicket(ticket));
    if (again.url != ticket.url || again.dir != ticket.dir || again.store != ticket.store ||
        again.refresh != ticket.refresh) {
        __builtin_trap();
    }
    return 0;
}
