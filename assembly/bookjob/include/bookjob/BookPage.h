#pragma once

// The geometry of a chapter page: the engine is given these margins, and the page numbers
// are drawn into the foot.
namespace quill {

// The margins of a chapter page, in millimetres. The foot is the widest: the page number
// is drawn there.
constexpr double kBookMarginTopMm = 20;
constexpr double kBookMarginBottomMm = 24;
constexpr double kBookMarginSideMm = 20;

}  // namespace quill
