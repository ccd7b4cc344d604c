#include "ScriptRuns.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include <array>
#include <vector>

#include "FragmentPieces.h"
#include "bookjob/ScriptFaces.h"
#include "common/Utf8.h"

namespace quill::markup {

namespace {

constexpr int kNoFace = -1;

// Each ICU script's index in kComplexScriptFaces (or kNoFace), and each face's script.
struct FaceTables {
    std::array<int, USCRIPT_CODE_LIMIT> faceOf;
    std::array<UScriptCode, std::size(kComplexScriptFaces)> scriptOf;
};

const FaceTables& Faces() {
    static const FaceTables tables = [] {
        FaceTables t;
        t.faceOf.fill(kNoFace);
        t.scriptOf.fill(USCRIPT_INVALID_CODE);
        for (int code = 0; code < USCRIPT_CODE_LIMIT; ++code) {
            const char* name = uscript_getShortName(static_cast<UScriptCode>(code));
            for (size_t i = 0; name != nullptr && i < std::size(kComplexScriptFaces); ++i) {
                if (kComplexScriptFaces[i].script == name) {
                    t.faceOf[code] = static_cast<int>(i);
                    t.scriptOf[i] = static_cast<UScriptCode>(code);
                }
            }
        }
        return t;
    }();
    return tables;
}

enum class Kind { Letter, Neutral, Mark };

// One character of a text piece, an entity counted as the character it stands for.
struct Unit {
    std::string_view bytes;
    UChar32 code;
    Kind kind;
    int face;  // for a letter, its script's face, or kNoFace
};

Unit Classify(std::string_view bytes, UChar32 code) {
    UErrorCode error = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(code, &error);
    if (U_FAILURE(error) || script == USCRIPT_COMMON || script == USCRIPT_UNKNOWN) {
        return {bytes, code, Kind::Neutral, kNoFace};
    }
    if (script == USCRIPT_INHERITED) {
        return {bytes, code, Kind::Mark, kNoFace};  // combining marks, ZWJ, ZWNJ
    }
    return {bytes, code, Kind::Letter,
            script < USCRIPT_CODE_LIMIT ? Faces().faceOf[script] : kNoFace};
}

UChar32 EntityCharacter(std::string_view entity) {
    if (entity == "&lt;") {
        return '<';
    }
    if (entity == "&gt;") {
        return '>';
    }
    return entity == "&quot;" ? '"' : '&';
}

std::vector<Unit> Units(std::string_view text) {
    std::vector<Unit> units;
    for (size_t at = 0; at < text.size();) {
        if (text[at] == '&') {
            const size_t end = text.find(';', at);
            const size_t length = end == std::string_view::npos ? 1 : end + 1 - at;
            const std::string_view entity = text.substr(at, length);
            units.push_back(Classify(entity, EntityCharacter(entity)));
            at += length;
            continue;
        }
        const Utf8Char c = DecodeUtf8(text, at);
        units.push_back(Classify(text.substr(at, c.length), static_cast<UChar32>(c.code)));
        at += c.length;
    }
    return units;
}

// Whether a character that several scripts share is one of this script's own (the Indic
// danda, the Arabic comma and digits): the script's face draws it, not the stack.
bool SharedWith(const Unit& unit, int face) {
    if (unit.kind != Kind::Neutral || unit.code < 0x80) {
        return false;
    }
    return uscript_hasScript(unit.code, Faces().scriptOf[face]);
}

// Where the run of `face` that starts at `start` ends: it takes the script's letters, marks
// and its own shared characters, and neutral characters that another letter of the script
// follows.
size_t RunEnd(const std::vector<Unit>& units, size_t start, int face) {
    size_t end = start + 1;
    while (end < units.size()) {
        const Unit& unit = units[end];
        if ((unit.kind == Kind::Letter && unit.face == face) || unit.kind == Kind::Mark ||
            SharedWith(unit, face)) {
            ++end;
            continue;
        }
        if (unit.kind != Kind::Neutral) {
            break;
        }
        size_t next = end;
        while (next < units.size() && units[next].kind != Kind::Letter) {
            ++next;
        }
        if (next == units.size() || units[next].face != face) {
            break;
        }
        end = next;
    }
    return end;
}

bool IsPunctuationSymbolOrDigit(UChar32 code) {
    return (U_GET_GC_MASK(code) & (U_GC_P_MASK | U_GC_S_MASK | U_GC_N_MASK)) != 0;
}

void AppendArabicRun(std::string& out, const std::vector<Unit>& units, size_t start, size_t end) {
    bool inSpan = false;
    for (size_t i = start; i < end; ++i) {
        const bool apart = IsPunctuationSymbolOrDigit(units[i].code);
        if (apart != inSpan) {
            out += apart ? "<span>" : "</span>";
            inSpan = apart;
        }
        out += units[i].bytes;
        if (units[i].code == ' ') {
            out += "<wbr/>";
        }
    }
    if (inSpan) {
        out += "</span>";
    }
}

// Every script before Hebrew (U+0590) is drawn from the font stack: Latin, Greek, Cyrillic,
// Armenian. Their UTF-8 lead bytes are all below 0xD6, and most text is no more than that.
bool MayHoldComplexScript(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0xD6) {
            return true;
        }
    }
    return false;
}

void AppendText(std::string& out, std::string_view text) {
    if (!MayHoldComplexScript(text)) {
        out += text;
        return;
    }
    const std::vector<Unit> units = Units(text);
    for (size_t i = 0; i < units.size();) {
        const Unit& unit = units[i];
        if (unit.kind != Kind::Letter || unit.face == kNoFace) {
            out += unit.bytes;
            ++i;
            continue;
        }
        const size_t end = RunEnd(units, i, unit.face);
        const ScriptFace& face = kComplexScriptFaces[unit.face];
        out += "<span class=\"" + ScriptClass(face.script) + "\">";
        if (face.script == "Arab") {
            AppendArabicRun(out, units, i, end);
        } else {
            for (size_t k = i; k < end; ++k) {
                out += units[k].bytes;
            }
        }
        out += "</span>";
        i = end;
    }
}

}  // namespace

std::string WithScriptSpans(std::string_view xhtml) {
    std::string out;
    out.reserve(xhtml.size() + xhtml.size() / 8);
    ForEachPiece(
        xhtml, [&out](std::string_view tag) { out += tag; },
        [&out](std::string_view text) { AppendText(out, text); });
    return out;
}

}  // namespace quill::markup
