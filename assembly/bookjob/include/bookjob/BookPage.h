#pragma once

#include "bookjob/BookChoices.h"

// The geometry of a chapter page: the engine is given these margins, and the page numbers
// are drawn into the foot.
namespace quill {

// The margins of an A4 chapter page, in millimetres. The foot is the widest: the page
// number is drawn there.
constexpr double kBookMarginTopMm = 20;
constexpr double kBookMarginBottomMm = 24;
constexpr double kBookMarginSideMm = 20;

// A page preset's paper, margins and type, in millimetres and points.
struct PageGeometry {
    double widthMm, heightMm;
    double topMm, bottomMm, sideMm;
    double bodyPoints;    // the body text at the medium size
    double numberPoints;  // the page number in the foot
};

// Paper keeps wide margins and A4's type; A5 is A4 scaled down. The screens' pages are as
// small as the screen, with narrow margins, and type sized so that a line holds about 35
// to 55 characters on a 6-inch e-reader and a little fewer on a phone.
PageGeometry GeometryOf(PagePreset page);

// The body text's size relative to the medium one.
double TextScale(TextSize text);

}  // namespace quill
