// The text layer's mending, on pages made here the way the HTML engine writes them: Type0
// fonts with Identity-H glyph codes, the installed font embedded, and a ToUnicode that
// lacks what the engine cannot map.
#include <gtest/gtest.h>
#include <hb.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "textlayer/TextLayer.h"

namespace quill {
namespace {

constexpr const char* kSymbola = "/usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf";
constexpr const char* kNotoSerif = "/usr/share/fonts/truetype/noto/NotoSerif-Regular.ttf";
constexpr const char* kNaskh = "/usr/share/fonts/truetype/noto/NotoNaskhArabic-Regular.ttf";

// The glyphs HarfBuzz draws the text with in the font, in drawing order.
std::vector<unsigned> Glyphs(const char* font, const std::string& text) {
    hb_blob_t* blob = hb_blob_create_from_file(font);
    hb_face_t* face = hb_face_create(blob, 0);
    hb_font_t* shaper = hb_font_create(face);
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf8(buffer, text.data(), static_cast<int>(text.size()), 0, -1);
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(shaper, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    std::vector<unsigned> glyphs;
    for (unsigned i = 0; i < count; ++i) {
        glyphs.push_back(infos[i].codepoint);
    }
    hb_buffer_destroy(buffer);
    hb_font_destroy(shaper);
    hb_face_destroy(face);
    hb_blob_destroy(blob);
    return glyphs;
}

std::string Hex(unsigned code) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", code);
    return text;
}

struct PageFont {
    std::string baseFont;                       // the PostScript name the engine records
    const char* file;                           // the font embedded whole
    std::map<unsigned, std::string> toUnicode;  // glyph → UTF-16BE hex, as the engine maps it
    std::vector<unsigned> drawn;
};

// One page that draws each font's glyphs on a line of its own.
std::string MakePage(const std::vector<PageFont>& fonts) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    std::string content;
    int line = 0;
    for (const PageFont& font : fonts) {
        std::string cmap =
            "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
            "/CMapName /Adobe-Identity-UCS def /CMapType 2 def\n"
            "1 begincodespacerange <0000> <FFFF> endcodespacerange\n" +
            std::to_string(font.toUnicode.size() + 1) + " beginbfrange\n<0000> <0000> <0000>\n";
        for (const auto& [glyph, text] : font.toUnicode) {
            cmap += "<" + Hex(glyph) + "> <" + Hex(glyph) + "> [<" + text + ">]\n";
        }
        cmap += "endbfrange endcmap CMapName currentdict /CMap defineresource pop end end\n";
        QPDFObjectHandle file = pdf.newStream(test::ReadFile(font.file));
        QPDFObjectHandle descriptor = pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Type /FontDescriptor /FontName /" + font.baseFont +
            " /Flags 4 /FontBBox [0 -300 1000 1000] /ItalicAngle 0 /Ascent 1000"
            " /Descent -300 /CapHeight 700 /StemV 80 >>"));
        descriptor.replaceKey("/FontFile2", file);
        QPDFObjectHandle cidFont = pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + font.baseFont +
            " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
            " /CIDToGIDMap /Identity >>"));
        cidFont.replaceKey("/FontDescriptor", descriptor);
        QPDFObjectHandle type0 = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type0 /BaseFont /" + font.baseFont +
                                    " /Encoding /Identity-H >>"));
        type0.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({cidFont}));
        type0.replaceKey("/ToUnicode", pdf.newStream(cmap));
        const std::string name = "/F" + std::to_string(line);
        resources.replaceKey(name, type0);
        content += "BT " + name + " 20 Tf 40 " + std::to_string(750 - 40 * line++) + " Td <";
        for (const unsigned glyph : font.drawn) {
            content += Hex(glyph);
        }
        content += "> Tj ET\n";
    }
    QPDFObjectHandle page = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 595 842] >>"));
    page.replaceKey("/Resources",
                    QPDFObjectHandle::parse("<< >>").replaceKeyAndGetNew("/Font", resources));
    page.replaceKey("/Contents", pdf.newStream(content));
    QPDFPageDocumentHelper(pdf).addPage(page, false);
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.write();
    const std::shared_ptr<Buffer> bytes = writer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(bytes->getBuffer()), bytes->getSize());
}

// The text the mended ToUnicode of the font of that base name gives the glyph, as UTF-16BE
// hex; "" when it maps it to nothing.
std::string MappedText(const std::string& pdf, const std::string& baseFont, unsigned glyph) {
    QPDF document;
    document.processMemoryFile("mended", pdf.data(), pdf.size());
    for (QPDFObjectHandle object : document.getAllObjects()) {
        if (object.isDictionary() && object.getKey("/Subtype").isNameAndEquals("/Type0") &&
            object.getKey("/BaseFont").isNameAndEquals("/" + baseFont)) {
            const std::shared_ptr<Buffer> data = object.getKey("/ToUnicode").getStreamData();
            const std::string cmap(reinterpret_cast<const char*>(data->getBuffer()),
                                   data->getSize());
            std::smatch match;
            if (std::regex_search(cmap, match, std::regex("<" + Hex(glyph) + "> <([0-9A-F]*)>"))) {
                return match[1];
            }
            return "";
        }
    }
    ADD_FAILURE() << "no font " << baseFont;
    return "";
}

TEST(TextLayer, GlyphsGetTheCharactersOfThePageThatShowThem) {
    const std::string html =
        "<html><body><p>Alpha 😀 bravo 🚀 kilo 👍🏽 &amp; fish</p>"
        "<p>الأول بالأمس</p></body></html>";
    const std::vector<unsigned> emoji = Glyphs(kSymbola, "😀🚀👍🏽");
    const std::vector<unsigned> latin = Glyphs(kNotoSerif, "fish &");  // ﬁ s h space &
    // Noto Naskh Arabic draws lam-alef as two glyphs, the alef on the lam without advance.
    const std::vector<unsigned> arabic = Glyphs(kNaskh, "الأول");
    ASSERT_EQ(emoji.size(), 4u);
    ASSERT_EQ(arabic.size(), 5u);
    const unsigned alef = arabic[2], lam = arabic[3];
    const std::string page = MakePage({
        {"Symbola", kSymbola, {}, emoji},
        {"NoSuchFont-Regular", kSymbola, {}, emoji},
        // The engine maps the space to a tab and the ligature to its compatibility form.
        {"NotoSerif-Regular", kNotoSerif, {{latin[3], "0009"}, {latin[0], "FB01"}}, latin},
        {"NotoNaskhArabic-Regular", kNaskh, {}, arabic},
    });
    const std::string mended = MendTextLayer(page, html);
    ASSERT_NE(mended, page);
    EXPECT_EQ(MappedText(mended, "Symbola", emoji[0]), "D83DDE00");  // 😀
    EXPECT_EQ(MappedText(mended, "Symbola", emoji[1]), "D83DDE80");  // 🚀
    EXPECT_EQ(MappedText(mended, "Symbola", emoji[3]), "D83CDFFD");  // the skin tone
    // A font that is not installed: its glyphs still keep the reading order whole.
    EXPECT_EQ(MappedText(mended, "NoSuchFont-Regular", emoji[0]), "FFFD");
    ASSERT_EQ(latin.size(), 5u);
    EXPECT_EQ(MappedText(mended, "NotoSerif-Regular", latin[3]), "0020");
    EXPECT_EQ(MappedText(mended, "NotoSerif-Regular", latin[0]), "00660069");  // f i
    // The lam stands for both letters in every pair of the page: it carries ﻷ, and the alef
    // on it nothing, which poppler would take for a doubled glyph.
    EXPECT_EQ(MappedText(mended, "NotoNaskhArabic-Regular", lam), "FEF7");
    EXPECT_EQ(MappedText(mended, "NotoNaskhArabic-Regular", alef), "");

    // Where the same lam stands before another alef too (لا), the alefs carry the letters.
    const std::string both = MendTextLayer(
        MakePage({{"NotoNaskhArabic-Regular", kNaskh, {}, arabic}}), "<p>الأول لا</p>");
    EXPECT_EQ(MappedText(both, "NotoNaskhArabic-Regular", lam), "");
    EXPECT_EQ(MappedText(both, "NotoNaskhArabic-Regular", alef), "FEF7");

    // A soft hyphen where no line broke is drawn with the font's zero-width space, which
    // the engine maps to U+200B: inside a word, where searches would miss the word. It stands
    // for no text, unless the page itself holds a zero-width space.
    const std::vector<unsigned> zeroWidth = Glyphs(kNotoSerif, "\u200B");
    ASSERT_EQ(zeroWidth.size(), 1u);
    const std::string hyphenated =
        MakePage({{"NotoSerif-Regular", kNotoSerif, {{zeroWidth[0], "200B"}}, zeroWidth}});
    EXPECT_EQ(MappedText(MendTextLayer(hyphenated, "<p>fer\u00ADry\u00ADman</p>"),
                         "NotoSerif-Regular", zeroWidth[0]),
              "");
    EXPECT_EQ(MappedText(MendTextLayer(hyphenated, "<p>fer\u00ADry\u200Bman</p>"),
                         "NotoSerif-Regular", zeroWidth[0]),
              "200B");

    // What is no PDF stays as it is.
    EXPECT_EQ(MendTextLayer("%PDF-1.4 cut", html), "%PDF-1.4 cut");
}

}  // namespace
}  // namespace quill
