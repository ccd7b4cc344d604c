// The job ticket, read back the way the downloader reads it.
#include <QtTest>

#include <nlohmann/json.hpp>

#include "common/Base64.h"
#include "frontend/PyUnit.h"
#include "tests/frontend/TestMain.h"

using namespace quill;

namespace {

nlohmann::json ReadTicket(const std::string& ticket) {
    return nlohmann::json::parse(Base64Decode(ticket));
}

}  // namespace

class TicketTest : public QObject {
    Q_OBJECT
  private slots:
    void ordinaryInputGivesThePlainForm() {
        const std::string ticket =
            MakeTicket("https://www.quillby.example/story/1001-the-keepers-daughter?x=1&y=%20",
                       "/home/ann/Documents/Inkvale/Quillby Downloader/tmp");
        QCOMPARE(Base64Decode(ticket),
                 std::string("{\"url\":\"https://www.quillby.example/story/"
                             "1001-the-keepers-daughter?x=1&y=%20\",\"dir\":\"/home/ann/"
                             "Documents/Inkvale/Quillby Downloader/tmp\"}"));
        QCOMPARE(QString::fromStdString(MakeTicket("u", "C:\\Data\\tmp")),
                 QString("eyJ1cmwiOiJ1IiwiZGlyIjoiQzpcXERhdGFcXHRtcCJ9"));
    }

    void nonAsciiArrivesAsUtf8Bytes() {
        const std::string url = "http://127.0.0.1:8123/story/1013-zo\xC3\xAB\xE2\x80\x99s";
        const std::string dir = "/home/\xC3\x85sa/\xE5\xB1\xB1\xE7\x94\xB0/tmp";
        const nlohmann::json json = ReadTicket(MakeTicket(url, dir));
        QCOMPARE(json.at("url").get<std::string>(), url);
        QCOMPARE(json.at("dir").get<std::string>(), dir);
        QVERIFY(Base64Decode(MakeTicket(url, dir)).find(url) != std::string::npos);
    }

    void quotesBackslashesAndControlsCannotBreakOut() {
        const std::string url = "http://x/\"a\\b\",\"dir\":\"/etc\tz\n\x01";
        const std::string dir = "/tmp/say \"hi\"\\there";
        const nlohmann::json json = ReadTicket(MakeTicket(url, dir));
        QCOMPARE(json.size(), size_t(2));
        QCOMPARE(json.at("url").get<std::string>(), url);
        QCOMPARE(json.at("dir").get<std::string>(), dir);
    }
};

QUILLBY_QT_TEST(TicketTest)
#include "TicketTest.moc"
