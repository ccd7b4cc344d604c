#include "page/ScriptStyle.h"

#include "bookjob/ScriptFaces.h"

namespace quill {

namespace {

std::string Quoted(std::string_view family) {
    return "\"" + std::string(family) + "\"";
}

// Whatever comes first, the rest of the text falls back through these, and at the end to
// the generic family, so that a missing face still gives a serif.
std::string Tail(std::string_view hanFace) {
    return Quoted(kLatinFace) + ", " + Quoted(hanFace) + ", " + Quoted(kEmojiFace) + ", serif";
}

}  // namespace

std::string ScriptStyle() {
    std::string css = "body { font-family: " + Tail(kDefaultHanFace) + "; }\n";
    for (const HanFace& han : kHanFaces) {
        css +=
            ":lang(" + std::string(han.language) + ") { font-family: " + Tail(han.family) + "; }\n";
    }
    // After the :lang() rules, which match the spans too and weigh as much.
    for (const ScriptFace& face : kComplexScriptFaces) {
        css += "." + ScriptClass(face.script) + " { font-family: " + Quoted(face.family) + ", " +
               Tail(kDefaultHanFace) + (face.stacksMarks ? "; line-height: 1.5" : "") + "; }\n";
    }
    return css;
}

}  // namespace quill
