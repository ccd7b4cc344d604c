#include "frontend/MyUtils.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

#include "platform/UserFolders.h"

// Resources compiled into a static library are linked in only when something refers to
// them, and Q_INIT_RESOURCE must be called outside any namespace.
static void InitQuillbyResources() {
    Q_INIT_RESOURCE(quillby);
}

namespace quill {

QString ResourcePath(const QString& name) {
    static const bool ready = (InitQuillbyResources(), true);
    (void)ready;
    return ":/" + name;
}

void LoadPngToBitmap(const QString& name, QImage& bitmap) {
    bitmap = QImage(ResourcePath(name), "PNG");
}

void LoadPngToImage(const QString& name, QLabel* image) {
    image->setPixmap(QPixmap::fromImage(QImage(ResourcePath(name), "PNG")));
}

void OpenWithDefaultProgram(const QString& target) {
    platform::OpenWithDefaultProgram(target.toStdString());
}

}  // namespace quill
