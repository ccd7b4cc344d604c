#pragma once

#include <string>

namespace quill {

// What of chapter N's pictures shapes its rendered pages, for the render cache's key: each
// source of its list with the SHA-256 of the picture's bytes, and how pictures are made fit
// for a book. Empty for a chapter without a list.
std::string PicturesKeyPiece(const std::string& workFolder, long long chapter);

}  // namespace quill
