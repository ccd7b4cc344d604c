#pragma once

#include <QDialog>
#include <QString>

#include "bookjob/BookChoices.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace quill {

// The kind of book a Download makes, as the window remembers it (QSettings). An update
// makes the kind the library remembers for its story instead.
BookChoices SavedBookChoices();
void SaveBookChoices(const BookChoices& choices);
// One line for the window: "A4, medium text", "E-reader, large text, dark, in volumes of 100".
QString BookChoicesSummary(const BookChoices& choices);

// The "Book" dialog: the page, the text size, dark pages, ragged text and the chapters per
// volume. It shows the choices it is given and, accepted, hands back what is chosen.
class TBookDialog : public QDialog {
    Q_OBJECT
  public:
    TBookDialog(const BookChoices& choices, QWidget* parent = nullptr);
    BookChoices Choices() const;

    QComboBox* pagebox = nullptr;
    QComboBox* textbox = nullptr;
    QCheckBox* darkbox = nullptr;
    QCheckBox* raggedbox = nullptr;
    QSpinBox* volumebox = nullptr;
};

}  // namespace quill
