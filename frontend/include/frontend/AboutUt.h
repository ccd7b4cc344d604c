#pragma once

#include <QDialog>
#include <QImage>

class QLabel;
class QPushButton;

namespace quill {

// The program's version; Linux executables carry no version resource, so the build
// stamps it in.
QString GetFileVersionStr();

// The borderless About window over the banner picture, closed with OK or Enter.
class TAboutFm : public QDialog {
    Q_OBJECT
  public:
    // icon: the main window's icon control, whose picture is shown here too; banner: the
    // picture behind the texts.
    TAboutFm(const QLabel* icon, const QImage& banner, QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* ProductLabel = nullptr;
    QLabel* NoticeLabel = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* BitBtn3 = nullptr;

  public slots:
    void Button2Click();
    void Label2Click();

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormCreate(const QLabel* icon, const QImage& banner);
};

}  // namespace quill
