#pragma once

#include <libxml/tree.h>

#include "MarkupWriter.h"
#include "cleaning/ChapterPictures.h"

namespace quill::markup {

// Writes a chapter's <img> where it stands: the picture the chapter has for its source, as
// an <img> of its own with the story's alternative text, and the width and height the story
// gave it (the other side following the picture's proportions); or, when there is none, the
// alternative text alone. Nothing else of the element survives.
void WritePicture(MarkupWriter& writer, const xmlNode* img, const PictureLookup& pictures);

}  // namespace quill::markup
