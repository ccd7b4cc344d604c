#include "RenderFingerprint.h"

#include "bookjob/BookPage.h"
#include "cleaning/ChapterMarkup.h"
#include "cleaning/CleanedChapters.h"
#include "page/BookStyle.h"
#include "page/PageRender.h"
#include "textlayer/TextLayer.h"

namespace quill {

// The text stays as it has always been: any change to it renders every cached page anew.
std::string RenderFingerprint(const std::string& engineIdentity) {
    std::string text =
        "engine " + engineIdentity + "\nmarkup " + std::to_string(kChapterMarkupVersion) + "\n";
    text += PageSettingsText();
    text += "text layer " + std::to_string(kTextLayerVersion) + "\n";
    text += RenderedCopyHead("");
    text += kRenderedCopyTail;
    text += "style\n" + BookStyleSheet();
    text += "margins " + std::to_string(kBookMarginTopMm) + " " +
            std::to_string(kBookMarginBottomMm) + " " + std::to_string(kBookMarginSideMm) + "\n";
    return text;
}

std::string BookChoicesFingerprint(const PageLook& look, const std::string& copyIdentity) {
    const PageGeometry page = GeometryOf(look.page);
    std::string text = "book choices " + PageLookText(look) + "\n";
    text += "page " + std::to_string(page.widthMm) + " " + std::to_string(page.heightMm) + " " +
            std::to_string(page.topMm) + " " + std::to_string(page.bottomMm) + " " +
            std::to_string(page.sideMm) + "\n";
    text += "chapter style\n" + BookStyleSheet(look);
    text += "cover style\n" + CoverStyleSheet(look);
    text += "rendered copy " + copyIdentity + "\n";
    return text;
}

}  // namespace quill
