// The job ticket: one encoder and one decoder, shared by the window and the downloader.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "common/Base64.h"
#include "common/Ticket.h"

namespace quill::test {
namespace {

JobTicket Plain(const std::string& url, const std::string& dir) {
    JobTicket ticket;
    ticket.url = url;
    ticket.dir = dir;
    return ticket;
}

TEST(Ticket, OrdinaryInputGivesThePlainCompactForm) {
    const std::string ticket =
        EncodeTicket(Plain("https://www.quillby.example/story/1001-the-keepers-daughter?x=1&y=%20",
                           "/home/ann/Documents/Inkvale/Quillby Downloader/tmp"));
    EXPECT_EQ(Base64Decode(ticket),
              "{\"url\":\"https://www.quillby.example/story/1001-the-keepers-daughter?x=1&y=%20\","
              "\"dir\":\"/home/ann/Documents/Inkvale/Quillby Downloader/tmp\"}");
    EXPECT_EQ(EncodeTicket(Plain("u", "C:\\Data\\tmp")),
              "eyJ1cmwiOiJ1IiwiZGlyIjoiQzpcXERhdGFcXHRtcCJ9");
}

TEST(Ticket, RoundTripsNonAsciiQuotesControlsAndTheOptionalMembers) {
    JobTicket ticket = Plain("http://x/\"a\\b\",\"dir\":\"/etc\tz\n\x01 zo\xC3\xAB",
                             "/home/\xC3\x85sa/\xE5\xB1\xB1 \"hi\"\\there");
    const JobTicket plain = DecodeTicket(EncodeTicket(ticket));
    EXPECT_EQ(plain.url, ticket.url);
    EXPECT_EQ(plain.dir, ticket.dir);
    EXPECT_TRUE(plain.store.empty());
    EXPECT_FALSE(plain.refresh);
    EXPECT_TRUE(plain.pictures);
    EXPECT_EQ(nlohmann::json::parse(Base64Decode(EncodeTicket(ticket))).size(), 2u);

    ticket.store = "/home/ann/.local/share/Quillby Downloader/stories";
    ticket.refresh = true;
    ticket.pictures = false;
    const JobTicket full = DecodeTicket(EncodeTicket(ticket));
    EXPECT_EQ(full.store, ticket.store);
    EXPECT_TRUE(full.refresh);
    EXPECT_FALSE(full.pictures);
}

TEST(Ticket, DecodesBrokenLinesAndIgnoresUnknownMembers) {
    const std::string folder = "/home/zoë/My Books/tmp";
    std::string ticket = Base64Encode(
        nlohmann::json{{"dir", folder}, {"extra", 1}, {"url", "https://x/story/1"}}.dump());
    for (size_t at = 8; at < ticket.size(); at += 9) {
        ticket.insert(at, at % 2 ? "\r\n" : " ");
    }
    const JobTicket decoded = DecodeTicket(ticket);
    EXPECT_EQ(decoded.url, "https://x/story/1");
    EXPECT_EQ(decoded.dir, folder);
}

TEST(Ticket, RejectsWhatIsNotATicket) {
    const auto encode = [](const std::string& json) { return Base64Encode(json); };
    EXPECT_THROW(DecodeTicket("eyJ1cmwiOiJ4In0"), TicketError) << "padding missing";
    EXPECT_THROW(DecodeTicket("https://www.quillby.com/story/1"), std::exception);
    EXPECT_THROW(DecodeTicket(encode("[1,2]")), TicketError);
    EXPECT_THROW(DecodeTicket(encode("42")), TicketError);
    EXPECT_THROW(DecodeTicket(encode(R"({"url":"u"})")), TicketError);
    EXPECT_THROW(DecodeTicket(encode(R"({"URL":"u","dir":"d"})")), TicketError);
    EXPECT_THROW(DecodeTicket(encode(R"({"url":5,"dir":"d"})")), TicketError);
    EXPECT_THROW(DecodeTicket(encode(R"({"url":"u","dir":"d","refresh":"yes"})")), TicketError);
    EXPECT_THROW(DecodeTicket(encode(R"({"url":"u","dir":"d","store":1})")), TicketError);
    EXPECT_THROW(DecodeTicket(encode(R"({"url":"u","dir":"d","pictures":0})")), TicketError);
    EXPECT_THROW(DecodeTicket(encode("{not json")), nlohmann::json::parse_error);
}

}  // namespace
}  // namespace quill::test
