#include "bookjob/BookPage.h"

namespace quill {

PageGeometry GeometryOf(PagePreset page) {
    switch (page) {
        case PagePreset::A4:
            break;
        case PagePreset::Letter:
            return {215.9, 279.4, kBookMarginTopMm, kBookMarginBottomMm, kBookMarginSideMm, 11, 9};
        case PagePreset::A5:
            // A4's margins scaled with the paper (1 / sqrt 2).
            return {148, 210, 14, 17, 14, 10.5, 8};
        case PagePreset::Ereader:
            return {90, 122, 4, 9, 4, 10.5, 7};
        case PagePreset::Phone:
            return {62, 110, 3, 8, 3, 9, 6.5};
    }
    return {210, 297, kBookMarginTopMm, kBookMarginBottomMm, kBookMarginSideMm, 11, 9};
}

double TextScale(TextSize text) {
    switch (text) {
        case TextSize::Small:
            return 0.88;
        case TextSize::Medium:
            break;
        case TextSize::Large:
            return 1.17;
    }
    return 1;
}

}  // namespace quill
