// The "Book" dialog: its place among the Download button's options, the choices it
// remembers, and a Download that makes the kind of book chosen.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "StandIns.h"
#include "TestMain.h"
#include "frontend/BookDialog.h"
#include "frontend/MainUnit.h"
#include "support/PdfProbe.h"
#include "support/TestPaths.h"

using namespace quill;

class BookChoicesWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void theChosenKindOfBookIsRememberedAndMade() {
        const QString folder = programs_.filePath("programs");
        test::MakeStandInLauncher(folder,
                                  "W=\"$HOME/Documents/Inkvale/Quillby Downloader/tmp\"\n"
                                  "printf 'title:Small Screens\\r\\nauthor:A\\r\\nchapter:3\\r\\n"
                                  "chapter_1 / 3: One\\r\\nchapter_2 / 3: Two\\r\\n"
                                  "chapter_3 / 3: Three\\r\\ndone\\r\\n' > \"$W/run.log\"\n"
                                  "for n in 1 2 3; do echo \"<h2>C$n</h2><p>text $n</p>\" > "
                                  "\"$W/$n.html\"; done\n");
        QVERIFY(QFile::link(QString::fromStdString(test::QuillrenderPath()),
                            folder + "/bin/quillrender"));
        {
            TMainfm form;
            // Below the other options of the Download button, over none of the controls.
            const QRect book = form.bookbtn->geometry();
            QVERIFY(form.rect().contains(book));
            for (const QWidget* other : std::initializer_list<const QWidget*>{
                     form.downloadbtn, form.formatbox, form.refreshbox, form.Memo1, form.Panel2}) {
                QVERIFY(!book.intersects(other->geometry()));
            }
            QVERIFY(book.left() == form.downloadbtn->x() && book.top() > form.refreshbox->y());
            QCOMPARE(form.bookbtn->toolTip(), QString("A4, medium text"));
            QTimer::singleShot(0, this, [] {
                auto* dialog = qobject_cast<TBookDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                dialog->pagebox->setCurrentText("E-reader (6-inch screen)");
                dialog->darkbox->setChecked(true);
                dialog->volumebox->setValue(2);
                dialog->accept();
            });
            form.bookbtnClick();
            QCOMPARE(form.bookbtn->toolTip(),
                     QString("E-reader, medium text, dark, in volumes of 2"));
        }
        TMainfm form;
        form.SetOpenBooks(false);
        form.SetProgramFolder(folder.toStdString() + "/");
        QSignalSpy finished(&form, &TMainfm::jobFinished);
        form.linked->setText("https://www.quillby.com/story/41");
        QTest::mouseClick(form.downloadbtn, Qt::LeftButton);
        QVERIFY(finished.wait(60000));
        QVERIFY2(finished.first().first().toBool(), qPrintable(form.LogLines().join(" | ")));
        const QString data = QString::fromStdString(form.Folders()->datadir);
        QCOMPARE(QDir(data).entryList({"*.pdf"}, QDir::Files),
                 (QStringList{QString::fromUtf8("Small Screens — Volume 1 (chapters 1–2).pdf"),
                              QString::fromUtf8("Small Screens — Volume 2 (chapter 3).pdf")}));
        const std::string first =
            (data + QString::fromUtf8("Small Screens — Volume 1 (chapters 1–2).pdf")).toStdString();
        QCOMPARE(QString::fromStdString(test::PdfInfo(first).at("Page size")),
                 QString("255 x 346 pts"));  // 90 x 122 mm, in whole points
        SaveBookChoices({});
    }

  private:
    QTemporaryDir programs_;
};

QUILLBY_QT_TEST(BookChoicesWindowTest)
#include "BookChoicesWindowTest.moc"
