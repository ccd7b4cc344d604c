// How a chapter's pictures stand on a book page.
#include "page/BookStyle.h"

#include <cmath>
#include <sstream>

namespace quill {

std::string PictureStyle(double textHeightPixels) {
    // A picture fits the text's width and the page's height, keeps its proportions (its
    // height follows its width), and moves whole to the next page rather than being cut;
    // a line's own height around it leaves a little of the page for it to spare.
    std::ostringstream css;
    css << "img.picture { max-width: 100%; max-height: "
        << static_cast<int>(std::floor(textHeightPixels * 0.9))
        << "px; height: auto; page-break-inside: avoid; }\n"
        << ".picture-alt { font-style: italic; }\n";
    return css.str();
}

}  // namespace quill
