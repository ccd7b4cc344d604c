#include "frontend/AboutUt.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>

#include "core/Folders.h"
#include "frontend/Links.h"
#include "frontend/MyUtils.h"

#ifndef QUILLBY_VERSION
#error "the build passes the program's version as QUILLBY_VERSION"
#endif

namespace quill {

namespace {

QFont PixelFont(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

QLabel* WhiteLabel(QWidget* parent, const QString& text, const QPoint& at) {
    auto* label = new QLabel(text, parent);
    label->setStyleSheet("color: white; background: transparent;");
    label->move(at);
    return label;
}

}  // namespace

QString GetFileVersionStr() {
    return QStringLiteral(QUILLBY_VERSION);
}

TAboutFm::TAboutFm(const QLabel* icon, const QImage& banner, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setFixedSize(445, 260);
    setFont(PixelFont("MS Sans Serif", 11));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);
    FormCreate(icon, banner);
}

void TAboutFm::FormCreate(const QLabel* icon, const QImage& banner) {
    // The banner first, so that the icon and the white texts are drawn over it; it stops
    // one pixel short of each edge to leave the frame visible.
    Image2 = new QLabel(this);
    Image2->setGeometry(1, 1, width() - 2, 191);
    Image2->setScaledContents(true);
    Image2->setPixmap(QPixmap::fromImage(banner));
    Image1 = new QLabel(this);
    Image1->setGeometry(32, 19, 57, 49);
    if (icon != nullptr) {
        Image1->setPixmap(icon->pixmap(Qt::ReturnByValue));
    }

    setWindowTitle(kProductTitle);
    ProductLabel = WhiteLabel(this, kProductTitle, QPoint(105, 24));
    QFont title("Arial");
    title.setPixelSize(19);
    title.setBold(true);
    ProductLabel->setFont(title);
    NoticeLabel =
        WhiteLabel(this, "Copyright \u00A9 Inkvale. All rights reserved.", QPoint(105, 58));
    Label1 = WhiteLabel(this, "Version:" + GetFileVersionStr(), QPoint(104, 88));
    Label2 = WhiteLabel(this, "www.inkvale.com", QPoint(105, 158));
    QFont link = Label2->font();
    link.setPixelSize(13);
    link.setUnderline(true);
    Label2->setFont(link);
    Label2->setCursor(Qt::PointingHandCursor);
    for (QLabel* label : {ProductLabel, NoticeLabel, Label1, Label2}) {
        label->adjustSize();
    }
    for (QLabel* clickable : {Label2, Image1, Image2}) {
        clickable->installEventFilter(this);
    }

    BitBtn3 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    BitBtn3->setGeometry(280, 216, 89, 25);
    BitBtn3->setDefault(true);
    connect(BitBtn3, &QPushButton::clicked, this, &TAboutFm::Button2Click);
}

void TAboutFm::Button2Click() {
    accept();
}

void TAboutFm::Label2Click() {
    OpenWithDefaultProgram(kHomeUrl);
}

bool TAboutFm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label2Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutFm::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

}  // namespace quill
