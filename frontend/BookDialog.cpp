// The "Book" dialog and the choices the window remembers.
#include "frontend/BookDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSettings>
#include <QSpinBox>
#include <QStringList>
#include <QVBoxLayout>

namespace quill {

namespace {

const char* const kChoicesSetting = "book/choices";

// In PagePreset's and TextSize's order.
const char* const kPageNames[] = {"A4", "US Letter", "A5", "E-reader (6-inch screen)", "Phone"};
const char* const kTextNames[] = {"Small", "Medium", "Large"};

}  // namespace

BookChoices SavedBookChoices() {
    return ReadBookChoices(QSettings().value(kChoicesSetting).toString().toStdString());
}

void SaveBookChoices(const BookChoices& choices) {
    QSettings().setValue(kChoicesSetting, QString::fromStdString(BookChoicesText(choices)));
}

QString BookChoicesSummary(const BookChoices& choices) {
    QStringList parts{QString(kPageNames[static_cast<int>(choices.page)]).section(" (", 0, 0),
                      QString(kTextNames[static_cast<int>(choices.text)]).toLower() + " text"};
    if (choices.dark) {
        parts << "dark";
    }
    if (choices.ragged) {
        parts << "ragged right";
    }
    if (choices.volumeChapters > 0) {
        parts << QString("in volumes of %1").arg(choices.volumeChapters);
    }
    return parts.join(", ");
}

TBookDialog::TBookDialog(const BookChoices& choices, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Book");
    pagebox = new QComboBox(this);
    for (const char* name : kPageNames) {
        pagebox->addItem(name);
    }
    pagebox->setCurrentIndex(static_cast<int>(choices.page));
    pagebox->setToolTip(
        "The page the book is laid out on: paper, or the size of an e-reader's or a phone's "
        "screen");
    textbox = new QComboBox(this);
    for (const char* name : kTextNames) {
        textbox->addItem(name);
    }
    textbox->setCurrentIndex(static_cast<int>(choices.text));
    darkbox = new QCheckBox("Dark pages", this);
    darkbox->setChecked(choices.dark);
    darkbox->setToolTip(
        "Light text on dark pages, for reading on a screen; the cover stays as it is");
    raggedbox = new QCheckBox("Ragged right", this);
    raggedbox->setChecked(choices.ragged);
    raggedbox->setToolTip("Lines of uneven length instead of justified and hyphenated text");
    volumebox = new QSpinBox(this);
    volumebox->setRange(0, kMostVolumeChapters);
    volumebox->setSpecialValueText("One book");
    volumebox->setValue(choices.volumeChapters);
    volumebox->setToolTip("Split a long story into books of this many chapters each");

    auto* form = new QFormLayout;
    form->addRow("Page", pagebox);
    form->addRow("Text size", textbox);
    form->addRow("", darkbox);
    form->addRow("", raggedbox);
    form->addRow("Chapters per volume", volumebox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

BookChoices TBookDialog::Choices() const {
    BookChoices choices;
    choices.page = static_cast<PagePreset>(pagebox->currentIndex());
    choices.text = static_cast<TextSize>(textbox->currentIndex());
    choices.dark = darkbox->isChecked();
    choices.ragged = raggedbox->isChecked();
    choices.volumeChapters = volumebox->value();
    return choices;
}

}  // namespace quill
