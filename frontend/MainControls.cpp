// The main window's controls, placed at fixed pixel positions in a fixed-size window.
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include "frontend/MainUnit.h"
#include "frontend/MyUtils.h"

namespace quill {

namespace {

// The window was laid out for Tahoma and Arial; where they are missing, faces of similar
// width keep the captions inside their controls (DejaVu Sans is too wide for the button).
QFont PixelFont(const QString& family, int pixels, bool bold = false) {
    QFont font(family);
    font.setFamilies({family, "Liberation Sans", "Arimo", "DejaVu Sans Condensed"});
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QWidget* MakePanel(QWidget* parent, const QRect& area, const QColor* fill) {
    auto* panel = new QWidget(parent);
    panel->setGeometry(area);
    if (fill != nullptr) {
        QPalette palette = panel->palette();
        palette.setColor(QPalette::Window, *fill);
        panel->setPalette(palette);
        panel->setAutoFillBackground(true);
    }
    return panel;
}

QToolButton* MakePictureButton(QWidget* parent, const QRect& area, const QString& text,
                               const QString& picture) {
    auto* button = new QToolButton(parent);
    button->setGeometry(area);
    button->setText(text);
    button->setIcon(QIcon(picture));
    button->setIconSize(QSize(24, 24));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

}  // namespace

void TMainfm::CreateControls() {
    setFont(PixelFont("Tahoma", 11));
    // The controls keep their places in the left 704 pixels; the stories of the library
    // take the right.
    setFixedSize(1224, 488);

    const QColor white(Qt::white);
    QWidget* Panel1 = MakePanel(this, QRect(0, 0, 1224, 65), &white);
    IconImage = new QLabel(Panel1);
    IconImage->setGeometry(14, 8, 50, 52);
    IconImage->setAttribute(Qt::WA_TranslucentBackground);
    Productlabel = new QLabel(Panel1);
    Productlabel->setGeometry(70, 18, 348, 33);
    Productlabel->setFont(PixelFont("Arial", 20, true));
    Productlabel->setWordWrap(true);
    SpeedButton1 =
        MakePictureButton(Panel1, QRect(583, 9, 49, 45), "Help", ResourcePath("HELPBTN"));
    Aboutbtn = MakePictureButton(Panel1, QRect(638, 9, 49, 45), "About", ResourcePath("ABOUTBTN"));

    Label1 = new QLabel("Book Link", this);
    Label1->setFont(PixelFont("Tahoma", 16));
    Label1->move(11, 103);
    Label1->adjustSize();
    linked = new QLineEdit(this);
    linked->setGeometry(90, 102, 481, 21);
    downloadbtn = new QPushButton("Download", this);
    downloadbtn->setGeometry(591, 96, 104, 41);
    downloadbtn->setFont(PixelFont("Tahoma", 16));
    // The job's options sit right below the button they belong to.
    formatbox = new QComboBox(this);
    formatbox->addItems({"PDF", "EPUB", "PDF + EPUB"});  // in BookFormat's order
    formatbox->setGeometry(591, 145, 104, 24);
    formatbox->setToolTip("The editions the book is made in");
    refreshbox = new QCheckBox("Fetch all\nchapters again", this);
    refreshbox->setGeometry(591, 176, 110, 36);
    refreshbox->setToolTip(
        "Fetch every chapter from the site again instead of using the "
        "copies kept from earlier downloads");
    // The kind of book, at the foot of the options; its tooltip says what is chosen.
    bookbtn = new QPushButton("Book\u2026", this);
    bookbtn->setGeometry(591, 365, 104, 28);
    CreatePicturesChoice();
    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(90, 136, 477, 257);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setMaximumBlockCount(kMaxLogLines);

    // A separator whose one line runs along its lower edge, above the footer strip.
    auto* Bevel1 = new QFrame(this);
    Bevel1->setGeometry(0, 425, 704, 5);
    Bevel1->setStyleSheet("QFrame { border: none; border-bottom: 1px solid #a0a0a0; }");
    Panel2 = MakePanel(this, QRect(0, 430, 704, 58), nullptr);
    CreateFooter();
    CreateStoriesPane();

    connect(downloadbtn, &QPushButton::clicked, this, &TMainfm::downloadbtnClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TMainfm::SpeedButton1Click);
    connect(Aboutbtn, &QToolButton::clicked, this, &TMainfm::AboutbtnClick);
    connect(bookbtn, &QPushButton::clicked, this, &TMainfm::bookbtnClick);
}

// The footer: how far the job has got, what it fetches now, and how long it will take.
void TMainfm::CreateFooter() {
    ProgressBar = new QProgressBar(Panel2);
    ProgressBar->setGeometry(90, 8, 477, 18);
    ProgressBar->setFormat("%v / %m");
    ProgressBar->setRange(0, 1);
    ProgressBar->setValue(0);
    ProgressBar->setVisible(false);
    ChapterLabel = new QLabel(Panel2);
    ChapterLabel->setGeometry(90, 30, 270, 20);
    ChapterLabel->setTextFormat(Qt::PlainText);  // chapter titles are the site's text
    CountdownLabel = new QLabel(Panel2);
    CountdownLabel->setGeometry(360, 30, 207, 20);
    CountdownLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

}  // namespace quill
