// The window without a job: its start, its log, and the run-log monitor.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <atomic>
#include <thread>

#include "StandIns.h"
#include "TestMain.h"
#include "frontend/MainUnit.h"
#include "frontend/PyUnit.h"

using namespace quill;
using quill::test::WriteAll;

namespace {

const QString kStartLine =
    "Copy book url and paste into editor, click \"Download\" button to download book";

// Writes the run log and gives it a chosen last-write time, as a downloader would.
void WriteRunLog(const QByteArray& text, const QDateTime& time) {
    const QString path = QString::fromStdString(logfile);
    WriteAll(path, text);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void startsWithEmptyAddressAndOneLine() {
        QDir(test::TestHome() + "/Documents").removeRecursively();
        TMainfm form;

        QVERIFY(form.linked->text().isEmpty());
        QCOMPARE(form.LogLines(), QStringList{kStartLine});
        QCOMPARE(form.Memo1->toPlainText(), kStartLine);
        QCOMPARE(form.windowTitle(), QString("Quillby Downloader"));
        QCOMPARE(form.Productlabel->text(), QString("Quillby Downloader"));
        QCOMPARE(form.size(), QSize(704, 488));
        QCOMPARE(form.downloadbtn->text(), QString("Download"));
        QVERIFY(form.downloadbtn->isEnabled());
        QVERIFY(!form.Timer1->isActive());
        QCOMPARE(form.Timer1->interval(), 2000);
        QVERIFY(!busy);

        const QString data = test::TestHome() + "/Documents/Inkvale/Quillby Downloader/";
        QCOMPARE(QString::fromStdString(datadir), data);
        QCOMPARE(QString::fromStdString(tmpdir), data + "tmp");
        QCOMPARE(QString::fromStdString(logfile), data + "tmp/run.log");
        QVERIFY(QDir(data + "tmp").exists());
        QCOMPARE(form.IconImage->pixmap(Qt::ReturnByValue).size(), QSize(48, 48));
        QCOMPARE(bannerbmp.size(), QSize(600, 375));
        QVERIFY(!form.SpeedButton1->icon().isNull());
        QVERIFY(!form.Aboutbtn->icon().isNull());
    }

    void updateLogReplacesTheLastEntry() {
        TMainfm form;
        form.SetBusy(true);
        form.Timer1->stop();
        QVERIFY(form.LogLines().isEmpty());

        form.UpdateLog("first");  // an empty log gains the line
        form.Log("");
        form.UpdateLog("process html pdf 3");

        QCOMPARE(form.LogLines(), (QStringList{"first", "process html pdf 3"}));
        QCOMPARE(form.Memo1->document()->blockCount(), 2);
        QCOMPARE(form.Memo1->document()->lastBlock().text(), QString("process html pdf 3"));
        form.SetBusy(false);
    }

    void logFromAnotherThreadShowsBeforeItReturns() {
        TMainfm form;
        std::atomic<bool> returned{false};
        std::thread worker([&] {
            form.Log("from the job");
            form.UpdateLog("changed by the job");
            returned = true;
        });
        QVERIFY(QTest::qWaitFor([&] { return returned.load(); }, 5000));
        worker.join();
        QCOMPARE(form.LogLines(), (QStringList{kStartLine, "changed by the job"}));
    }

    void monitorMirrorsTheRunLog() {
        TMainfm form;
        form.SetBusy(true);
        form.Timer1->stop();  // ticks are driven by hand here
        const QDateTime t0 = QDateTime::currentDateTime().addSecs(60);

        WriteRunLog("title:Zo\xC3\xAB\r\nauthor:A\r\n", t0);
        form.Timer1Timer();
        QCOMPARE(form.LogLines(), (QStringList{QString::fromUtf8("title:Zo\xC3\xAB"), "author:A"}));

        WriteRunLog(
            "title:Zo\xC3\xAB\r\nauthor:A\r\ncover page:cover.jpg\r\nchapter:2\r\n"
            "chapter_1 / 2: One\r\n",
            t0.addMSecs(1500));
        form.Timer1Timer();
        QCOMPARE(form.LogLines().size(), 5);
        QCOMPARE(form.LogLines().mid(2),
                 (QStringList{"cover page:cover.jpg", "chapter:2", "chapter_1 / 2: One"}));

        // Same last-write time: the file is not read again, whatever it now holds.
        WriteRunLog("x\r\ny\r\nz\r\nw\r\nv\r\nu\r\nt\r\n", t0.addMSecs(1500));
        form.Timer1Timer();
        QCOMPARE(form.LogLines().size(), 5);

        WriteRunLog("title:New\r\nauthor:B\r\n", t0.addMSecs(3000));
        form.Timer1Timer();
        QCOMPARE(form.LogLines(), (QStringList{"title:New", "author:B"}));
        QCOMPARE(form.Memo1->toPlainText(), QString("title:New\nauthor:B"));

        form.SetBusy(false);
        WriteRunLog("title:New\r\nauthor:B\r\nlate\r\n", t0.addMSecs(4500));
        form.Timer1Timer();  // idle: the monitor does nothing
        QCOMPARE(form.LogLines().size(), 2);
    }

    void bookInfoKeysAreFoundAnywhereAndTheLastChapterLineWins() {
        TMainfm form;
        booktitle = "previous";
        bookauthor = "previous";
        WriteRunLog(
            "\xEF\xBB\xBFtitle:Zo\xC3\xAB: A Tale\r\n"
            "author:Ann\r\n"
            "chapter:2\r\n"
            "note author:Bob\r\n"
            "chapter:7\r\n",
            QDateTime::currentDateTime());
        ReadBookInfo();
        QCOMPARE(QString::fromStdString(booktitle), QString::fromUtf8("Zo\xC3\xAB: A Tale"));
        QCOMPARE(QString::fromStdString(bookauthor), QString("Bob"));
        QCOMPARE(lastchapter, 7);

        // A chapter title holding "title:" takes over the book title; "title:" is tested
        // first, so that line sets nothing else.
        WriteRunLog("chapter:3\r\nchapter_1 / 3: The subtitle: Dawn\r\n",
                    QDateTime::currentDateTime());
        ReadBookInfo();
        QCOMPARE(QString::fromStdString(booktitle), QString(" The subtitle: Dawn"));
        QCOMPARE(QString::fromStdString(bookauthor), QString("Bob"));
        QCOMPARE(lastchapter, 3);

        WriteRunLog("done\r\n", QDateTime::currentDateTime());
        ReadBookInfo();
        QCOMPARE(lastchapter, 0);
        QCOMPARE(QString::fromStdString(booktitle), QString(" The subtitle: Dawn"));
    }

    void lastChapterMustBeAWholeNumberWithAFile() {
        TMainfm form;
        WriteAll(QString::fromStdString(tmpdir + "/3.html"), "<p>3</p>");
        WriteRunLog("chapter:3\r\n", QDateTime::currentDateTime());
        ReadBookInfo();
        QVERIFY(LastChapterExists());

        WriteRunLog("chapter:3x\r\n", QDateTime::currentDateTime());
        ReadBookInfo();
        QVERIFY(!LastChapterExists());

        WriteRunLog("chapter:4\r\n", QDateTime::currentDateTime());
        ReadBookInfo();
        QVERIFY(!LastChapterExists());
    }
};

QUILLBY_QT_TEST(MainWindowTest)
#include "MainWindowTest.moc"
