// The chapter cleaning: what it keeps, what it refuses, and that what it writes is always
// well-formed XHTML that epubcheck accepts as e-book content.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "cleaning/ChapterMarkup.h"
#include "common/Errors.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace quill {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
namespace fs = std::filesystem;

std::string Clean(const std::string& html) {
    return CleanChapter(html).xhtml;
}

// Whether the fragment parses as XML inside an XHTML body.
bool WellFormed(const std::string& fragment) {
    const std::string doc = "<body xmlns=\"http://www.w3.org/1999/xhtml\">" + fragment + "</body>";
    xmlDoc* parsed = xmlReadMemory(doc.data(), static_cast<int>(doc.size()), nullptr, "UTF-8",
                                   XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    xmlFreeDoc(parsed);
    return parsed != nullptr;
}

// Everything a page can use to load, run or point at something, each with text that must
// not reach the book.
const char* const kHostile =
    "<h2>Fish &amp; Chips &lt;3 <script>HEADING-SCRIPT</script></h2>\n"
    "<div class=\"page\" id=\"p\" style=\"background:url(http://t.example/bg.png)\""
    " onclick=\"steal()\" data-p-id=\"ab12\">\n"
    "<p id=\"p\" background=\"http://t.example/b.png\">Plain <b>bold</b> and"
    " <a href=\"http://t.example/x\">linked</a> text.</p>\n"
    "<img src=\"http://t.example/pixel.gif\" srcset=\"http://t.example/2x.gif 2x\">\n"
    "<picture><source srcset=\"http://t.example/s.webp\">PICTURE-TEXT</picture>\n"
    "<iframe src=\"http://127.0.0.1:9/secret\">IFRAME-TEXT</iframe>\n"
    "<script src=\"http://t.example/a.js\">SCRIPT-TEXT</script>\n"
    "<style>@import url(http://t.example/s.css); STYLE-TEXT</style>\n"
    "<link rel=\"stylesheet\" href=\"http://t.example/s.css\"><meta http-equiv=\"refresh\""
    " content=\"0;url=http://t.example/\"><base href=\"http://t.example/\">\n"
    "<object data=\"http://t.example/o.swf\">OBJECT-TEXT</object><embed src=\"e.swf\">\n"
    "<video poster=\"http://t.example/p.jpg\" src=\"v.mp4\">VIDEO-TEXT</video>\n"
    "<svg><image xlink:href=\"http://t.example/i.png\"/>SVG-TEXT</svg>\n"
    "<math><mi>MATH-TEXT</mi></math><noscript>NOSCRIPT-TEXT</noscript>\n"
    "<template>TEMPLATE-TEXT</template>\n"
    "<form action=\"http://t.example/post\">Form words <input value=\"INPUT-TEXT\">"
    "<button>BUTTON-TEXT</button><select><option>OPTION-TEXT</option></select>"
    "<textarea>TEXTAREA-TEXT</textarea></form>\n"
    "<blink>Unknown</blink> <custom-tag>elements</custom-tag> keep their words.\n"
    "<table background=\"http://t.example/t.png\"><tr><td colspan=\"2\" rowspan=\"x\">cell</td>"
    "</tr></table>\n"
    "<p lang=\"en-GB\" dir=\"RTL\" title='a \"quoted\" title' class=\" x  y \">attributes</p>\n"
    "</div>\n";

TEST(ChapterMarkup, KeepsTheTextAndItsMarkupAndNothingThatLoadsOrRuns) {
    const ChapterMarkup markup = CleanChapter(kHostile);
    EXPECT_EQ(markup.heading, "Fish & Chips <3");
    const std::string& out = markup.xhtml;
    EXPECT_THAT(out, HasSubstr("<h2>Fish &amp; Chips &lt;3 </h2>"));
    EXPECT_THAT(out, HasSubstr("<div class=\"page\">"));
    EXPECT_THAT(out, HasSubstr("<p>Plain <b>bold</b> and linked text.</p>"));
    EXPECT_THAT(out, HasSubstr("Form words "));
    EXPECT_THAT(out, HasSubstr("Unknown elements keep their words."));
    EXPECT_THAT(out, HasSubstr("<table><tr><td colspan=\"2\">cell</td></tr></table>"));
    EXPECT_THAT(out, HasSubstr("<p lang=\"en\" dir=\"rtl\" title=\"a &quot;quoted&quot; title\""
                               " class=\"x y\">attributes</p>"));
    for (const char* gone :
         {"SCRIPT",     "PICTURE",  "IFRAME", "STYLE",  "OBJECT", "VIDEO",    "SVG",  "MATH",
          "NOSCRIPT",   "TEMPLATE", "INPUT",  "BUTTON", "OPTION", "TEXTAREA", "http", "url(",
          ".swf",       ".mp4",     "src",    "href",   "style",  "onclick",  "id=",  "data-",
          "background", "<img",     "<a",     "<form",  "<blink", "<custom"}) {
        EXPECT_THAT(out, Not(HasSubstr(gone)));
    }
    EXPECT_TRUE(WellFormed(out)) << out;
}

TEST(ChapterMarkup, RepairsStructureThatHtmlDoesNotAllow) {
    const std::pair<const char*, const char*> cases[] = {
        // Text straight in a list or table gets its item; stray items lose their tags.
        {"<ul>loose<li>item</li></ul>", "<ul><li>loose</li><li>item</li></ul>"},
        {"<table>cell text<tr><th>h</th></tr></table>",
         "<table><tr><td>cell text</td></tr><tr><th>h</th></tr></table>"},
        {"<li>no list</li><td>no table</td>", "no listno table"},
        // Terms and definitions come in pairs; a caption only first in its table.
        {"<dl><dd>d</dd><dt>t</dt></dl>", "<dl><dt></dt><dd>d</dd><dt>t</dt><dd></dd></dl>"},
        {"<table><tr><td>x</td></tr><caption>late</caption></table>",
         "<table><tr><td>x</td></tr><tr><td>late</td></tr></table>"},
        // Blocks inside inline text give way to their text.
        {"<p>a<span><div>b</div></span>c</p>", "<p>a<span>b</span>c</p>"},
        // The parser hangs what follows an element it does not know as void below it.
        {"<p>a<embed src=\"e.swf\">b<source src=\"s\">c</p>", "<p>abc</p>"},
        // Empty elements are written open and shut, void ones self-closed.
        {"<p></p><br><wbr>", "<p></p><br/><wbr/>"},
        // Ruby stays readable; old names get their modern ones.
        {"<ruby>漢<rp>(</rp><rt>kan</rt><rp>)</rp></ruby><strike>s</strike><tt>t</tt>",
         "<ruby>漢<rp>(</rp><rt>kan</rt><rp>)</rp></ruby><s>s</s><code>t</code>"},
        // Characters XML refuses are left out.
        {"<p>a\x01\x1f\x7f\xC2\x85\xEF\xBF\xBE"
         "b</p>",
         "<p>ab</p>"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Clean(input), expected) << input;
    }
}

TEST(ChapterMarkup, TheHeadingIsTheFirstH2sText) {
    EXPECT_EQ(CleanChapter("<h2>Fish & Chips <3</h2>\n<h2>Second</h2>").heading, "Fish & Chips <3");
    EXPECT_EQ(CleanChapter("<h2>  Caf&eacute;\n <i>au</i>\tlait </h2>").heading, "Café au lait");
    EXPECT_EQ(CleanChapter("<noscript><h2>hidden</h2></noscript><p>no heading</p>").heading, "");
}

// With the chapter's pictures, an <img> whose source the chapter has becomes that picture,
// sized as the story asked in the picture's own proportions; one it lacks becomes its
// alternative text. Without them, pictures go as they always did.
TEST(ChapterMarkup, APictureShowsItsLocalCopyOrItsAlternativeText) {
    const std::string html =
        "<p>a <img src=\" map.png \" height=\"150\" alt=\"The <map> & more\" onload=x> b</p>"
        "<p><img src=\"map.png\" width=\"50%\"><img src=\"gone.png\" alt=\"Gone\">"
        "<img src=\"gone.png\"></p>";
    const PictureLookup pictures = [](const std::string& src) -> std::optional<ShownPicture> {
        if (src == "map.png") {
            return ShownPicture{"picture-0123456789abcdef.png", 400, 300};
        }
        return std::nullopt;
    };
    EXPECT_EQ(CleanChapter(html, &pictures).xhtml,
              "<p>a <img src=\"picture-0123456789abcdef.png\" alt=\"The &lt;map&gt; &amp; more\" "
              "class=\"picture\" width=\"200\" height=\"150\"/> b</p><p><img "
              "src=\"picture-0123456789abcdef.png\" alt=\"\" class=\"picture\"/><span "
              "class=\"picture-alt\">Gone</span></p>");
    EXPECT_EQ(Clean(html), "<p>a  b</p><p></p>");
}

TEST(ChapterMarkup, TooDeepANestingFailsInsteadOfCuttingTheChapterShort) {
    std::string deep;
    for (int i = 0; i < 400; ++i) {
        deep += "<div>";
    }
    EXPECT_THROW(CleanChapter(deep + "text"), EConvertError);
}

// Random tag soup, including invalid UTF-8 and NUL bytes: the output is always well-formed.
TEST(ChapterMarkup, AnySoupGivesWellFormedMarkup) {
    const std::vector<std::string> pieces = {
        "<div>",       "</div>",     "<p>",
        "</p>",        "<span>",     "<ul>",
        "<li>",        "</ul>",      "<table>",
        "<tr>",        "<td>",       "</table>",
        "<dl>",        "<dt>",       "<dd>",
        "<caption>",   "<ruby>",     "<rt>",
        "<h2>",        "<script>",   "</script>",
        "<img src=x>", "<a href=y>", "<!--",
        "-->",         "&amp;",      "&bogus;",
        "<",           ">",          "\"",
        "'",           "\xff",       std::string(1, '\0'),
        "é",           "<br>",       "<hr>",
        "<pre>",       "text",       "<b class=\"c\" CLASS=\"d\" class=e>",
        "</b>",        "<svg>",      "<math>",
        "<![CDATA[",   "]]>",        "<?xml ?>"};
    std::mt19937 random(20240917);
    for (int round = 0; round < 300; ++round) {
        std::string soup;
        for (int i = 0; i < 60; ++i) {
            soup += pieces[random() % pieces.size()];
        }
        const std::string out = Clean(soup);
        ASSERT_TRUE(WellFormed(out)) << "input: " << soup << "\noutput: " << out;
    }
}

// The fragment goes into an EPUB content document; epubcheck must accept it.
TEST(ChapterMarkup, EpubcheckAcceptsTheCleanedChapter) {
    test::TempDir book("epub");
    const auto write = [&](const std::string& name, const std::string& text) {
        fs::create_directories(fs::path(book.file(name)).parent_path());
        test::WriteFile(book.file(name), text);
    };
    write("mimetype", "application/epub+zip");
    write("META-INF/container.xml",
          "<?xml version=\"1.0\"?><container version=\"1.0\" "
          "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile "
          "full-path=\"c.opf\" media-type=\"application/oebps-package+xml\"/></rootfiles>"
          "</container>");
    write("c.opf",
          "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
          "unique-identifier=\"id\"><metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
          "<dc:identifier id=\"id\">urn:uuid:0b5e2a8c-6f4e-4c1e-9a57-3d2f1e0c9b11</dc:identifier>"
          "<dc:title>T</dc:title><dc:language>en</dc:language><meta property=\"dcterms:modified\">"
          "2024-01-01T00:00:00Z</meta></metadata><manifest><item id=\"nav\" href=\"nav.xhtml\" "
          "media-type=\"application/xhtml+xml\" properties=\"nav\"/><item id=\"c\" "
          "href=\"c.xhtml\" media-type=\"application/xhtml+xml\"/></manifest><spine>"
          "<itemref idref=\"c\"/></spine></package>");
    const auto page = [](const std::string& body) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE html><html "
               "xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">"
               "<head><title>T</title></head><body>" +
               body + "</body></html>";
    };
    write("nav.xhtml", page("<nav epub:type=\"toc\"><ol><li><a href=\"c.xhtml\">c</a></li></ol>"
                            "</nav>"));
    std::string chapter = Clean(kHostile);
    // Beyond the drawn depth, lists become blocks: no list attribute may stay on them.
    std::string deep;
    for (int level = 0; level < 12; ++level) {
        deep += "<blockquote><ol start=\"2\" reversed><li>x<dl><dt>t</dt><dd>d";
    }
    chapter += Clean(deep);
    for (const auto* extra :
         {"<ul>loose<li>item</li></ul>", "<dl><dd>d</dd><dt>t</dt></dl>",
          "<table>text<tr><td>x</td></tr><caption>late</caption></table>",
          "<ruby>漢<rp>(</rp><rt>kan</rt><rp>)</rp></ruby>",
          "<ol start=\"3\" type=\"a\" reversed>"
          "<li>x</li></ol>",
          "<p><q>q</q><abbr title=\"t\">a</abbr><sub>1</sub><del>d</del></p>"}) {
        chapter += Clean(extra);
    }
    write("c.xhtml", page(chapter));

    const test::RunResult r =
        test::Run({"java", "-jar", "/usr/share/java/epubcheck.jar", "--mode", "exp", book.path()},
                  {}, std::chrono::seconds(120));
    EXPECT_TRUE(r.succeeded()) << r.stdOut << r.stdErr << "\n" << chapter;
}

}  // namespace
}  // namespace quill
