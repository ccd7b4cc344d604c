// "Pictures in chapters": whether a job fetches and shows the chapters' pictures, below the
// job's other options, remembered between runs.
#include <QCheckBox>
#include <QSettings>

#include "frontend/MainUnit.h"

namespace quill {

namespace {

const char* const kPicturesSetting = "download/pictures";

}  // namespace

void TMainfm::CreatePicturesChoice() {
    picturesbox = new QCheckBox("Pictures in\nchapters", this);
    picturesbox->setGeometry(591, 216, 110, 36);
    picturesbox->setToolTip(
        "Fetch the pictures the chapters show from the story site and put them into the "
        "book; without, the book is text only");
    picturesbox->setChecked(QSettings().value(kPicturesSetting, true).toBool());
    connect(picturesbox, &QCheckBox::toggled, this,
            [](bool checked) { QSettings().setValue(kPicturesSetting, checked); });
}

JobRequest TMainfm::WithPictures(JobRequest request) const {
    request.pictures = picturesbox->isChecked();
    return request;
}

}  // namespace quill
