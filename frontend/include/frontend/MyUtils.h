#pragma once

#include <QString>

class QImage;
class QLabel;

namespace quill {

// The path of the compiled-in resource name (":/name").
QString ResourcePath(const QString& name);

// Decode the compiled-in PNG resource ":/name"; a missing resource leaves a null picture.
void LoadPngToBitmap(const QString& name, QImage& bitmap);
void LoadPngToImage(const QString& name, QLabel* image);

// Opens a document or web address with the desktop's default program; failures are
// ignored, like a shell that cannot open something.
void OpenWithDefaultProgram(const QString& target);

}  // namespace quill
