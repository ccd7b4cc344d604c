// The window: its start, its log, the progress footer, the format choice and closing it
// during a job. Jobs run through the real job core with stand-in launchers; the
// whole-system tests run the real downloader.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <signal.h>

#include <fstream>
#include <iterator>

#include "StandIns.h"
#include "TestMain.h"
#include "frontend/AboutUt.h"
#include "frontend/MainUnit.h"
#include "support/TestPaths.h"

using namespace quill;
using quill::test::MakeStandInLauncher;
using quill::test::ReadAll;

namespace {

const QString kStartLine =
    "Copy book url and paste into editor, click \"Download\" button to download book";

// The resident memory of this process in MB.
long ResidentMb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long kb = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> kb;
            break;
        }
    }
    return kb / 1024;
}

bool Alive(const QByteArray& pid) {
    return !pid.trimmed().isEmpty() && ::kill(pid.trimmed().toInt(), 0) == 0;
}

// Answers the next question box with the given button.
void Answer(QObject* context, QMessageBox::StandardButton button, bool* asked) {
    QTimer::singleShot(0, context, [button, asked] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        *asked = box != nullptr && box->text() == "A download is running. Stop it and quit?";
        if (box != nullptr) {
            box->button(button)->click();
        }
    });
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void startsIdleWithOneLineAndItsControlsInPlace() {
        QDir(test::TestHome() + "/Documents").removeRecursively();
        TMainfm form;

        QVERIFY(form.linked->text().isEmpty());
        QCOMPARE(form.LogLines(), QStringList{kStartLine});
        QCOMPARE(form.windowTitle(), QString("Quillby Downloader"));
        QCOMPARE(form.height(), 488);
        // The address field and the button on one row, the log below them, the footer along
        // the bottom, the list of stories beside them all; none outside the window or over
        // another.
        const QRect field = form.linked->geometry(), button = form.downloadbtn->geometry();
        const QRect log = form.Memo1->geometry(), footer = form.Panel2->geometry();
        const QRect stories = form.Stories->geometry();
        const QRect all[] = {field,
                             button,
                             log,
                             footer,
                             stories,
                             form.refreshbox->geometry(),
                             form.picturesbox->geometry()};
        for (size_t i = 0; i < std::size(all); ++i) {
            QVERIFY(form.rect().contains(all[i]));
            for (size_t k = i + 1; k < std::size(all); ++k) {
                QVERIFY(!all[i].intersects(all[k]));
            }
        }
        QVERIFY(field.right() < button.left() && button.top() <= field.center().y() &&
                field.center().y() <= button.bottom());
        QVERIFY(log.top() > field.bottom() && log.bottom() < footer.top());
        QCOMPARE(footer.bottom(), form.rect().bottom());
        QCOMPARE(footer.left(), 0);
        QVERIFY(stories.left() > std::max({button.right(), log.right(), footer.right()}));
        QCOMPARE(form.downloadbtn->text(), QString("Download"));
        QVERIFY(form.ProgressBar->isHidden());
        QVERIFY(!form.refreshbox->isChecked());
        QVERIFY(form.picturesbox->isChecked());

        const QString data = test::TestHome() + "/Documents/Inkvale/Quillby Downloader/";
        QVERIFY(form.Folders());
        QCOMPARE(QString::fromStdString(form.Folders()->datadir), data);
        QVERIFY(QDir(data + "tmp").exists());
        QCOMPARE(form.IconImage->pixmap(Qt::ReturnByValue).size(), QSize(48, 48));
        QCOMPARE(form.bannerbmp.size(), QSize(600, 375));
    }

    void updateLogReplacesTheLastEntry() {
        TMainfm form;
        form.SetBusy(true);
        QVERIFY(form.LogLines().isEmpty());
        form.UpdateLog("first");  // an empty log gains the line
        form.Log("");
        form.UpdateLog("process html pdf 3");
        QCOMPARE(form.LogLines(), (QStringList{"first", "process html pdf 3"}));
        QCOMPARE(form.Memo1->document()->blockCount(), 2);
        QCOMPARE(form.Memo1->document()->lastBlock().text(), QString("process html pdf 3"));
        form.SetBusy(false);
    }

    void theLogKeepsItsLastLinesInBoundedMemory() {
        TMainfm form;
        const long before = ResidentMb();
        for (int i = 1; i <= 100000; ++i) {
            form.Log(QString("chapter_%1 / 100000: A chapter title of ordinary length").arg(i));
        }
        QCOMPARE(form.LogLines().size(), TMainfm::kMaxLogLines);
        QCOMPARE(form.Memo1->document()->blockCount(), TMainfm::kMaxLogLines);
        QVERIFY(form.LogLines().first().startsWith("chapter_95001 /"));
        QVERIFY2(ResidentMb() - before < 200, qPrintable(QString::number(ResidentMb() - before)));
    }

    // The footer shows chapters done of N, the chapter being fetched, and during the pause a
    // countdown with the time left.
    void theFooterFollowsTheDownload() {
        qputenv("QUILLBY_CHAPTER_PAUSE_MS", "6000");
        TMainfm form;
        form.SetOpenBooks(false);
        form.SetProgramFolder(MakeStandInLauncher(programs_.filePath("paced"), R"(
W="$HOME/Documents/Inkvale/Quillby Downloader/tmp"
printf 'title:T\r\nauthor:A\r\ncover page:cover.jpg\r\nchapter:3\r\nchapter_1 / 3: Zo\303\253 One\r\n' > "$W/run.log"
sleep 0.4; echo '<h2>One</h2>' > "$W/1.html"; sleep 6
printf 'chapter_2 / 3: Two\r\n' >> "$W/run.log"; sleep 0.4; echo '<h2>Two</h2>' > "$W/2.html"
sleep 30)")
                                  .toStdString());
        form.linked->setText("https://www.quillby.com/story/1");
        QTest::mouseClick(form.downloadbtn, Qt::LeftButton);

        QVERIFY(QTest::qWaitFor([&] { return form.ProgressBar->value() == 1; }, 8000));
        QCOMPARE(form.ProgressBar->maximum(), 3);
        QVERIFY(!form.ProgressBar->isHidden());
        QCOMPARE(form.ChapterLabel->text(), QString::fromUtf8("Zo\xC3\xAB One"));
        QVERIFY2(QRegularExpression("^Next chapter in [1-6] s · about \\d+ s left$")
                     .match(form.CountdownLabel->text())
                     .hasMatch(),
                 qPrintable(form.CountdownLabel->text()));
        QVERIFY(QTest::qWaitFor([&] { return form.ProgressBar->value() == 2; }, 12000));
        QCOMPARE(form.ChapterLabel->text(), QString("Two"));

        bool asked = false;
        Answer(this, QMessageBox::Yes, &asked);
        form.close();
        QVERIFY(QTest::qWaitFor([&] { return !form.JobRunning(); }, 10000));
        QVERIFY(asked);
        qunsetenv("QUILLBY_CHAPTER_PAUSE_MS");
    }

    void theFormatAndPictureChoicesAreRemembered() {
        {
            TMainfm form;
            QCOMPARE(form.formatbox->currentText(), QString("PDF"));
            form.formatbox->setCurrentText("EPUB");
            form.picturesbox->setChecked(false);
        }
        TMainfm again;
        QCOMPARE(again.formatbox->currentText(), QString("EPUB"));
        QVERIFY(!again.picturesbox->isChecked());
        again.formatbox->setCurrentText("PDF");
        again.picturesbox->setChecked(true);
    }

    // Closing during a download asks first: No keeps the window and the job, Yes ends the
    // downloader's whole process group.
    void closingDuringADownloadAsksAndStopsTheDownloader() {
        const QString pidFile = programs_.filePath("helper.pid");
        TMainfm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.SetProgramFolder(
            MakeStandInLauncher(programs_.filePath("long"),
                                "sleep 60 & echo $! > '" + pidFile + "'\nsleep 60")
                .toStdString());
        form.linked->setText("https://www.quillby.com/story/1");
        QTest::mouseClick(form.downloadbtn, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return Alive(ReadAll(pidFile)); }, 5000));

        bool asked = false;
        Answer(this, QMessageBox::No, &asked);
        form.close();
        QVERIFY(asked);
        QVERIFY(form.isVisible());
        QVERIFY(form.JobRunning());

        Answer(this, QMessageBox::Yes, &asked);
        form.close();
        QVERIFY(asked);
        QVERIFY(QTest::qWaitFor([&] { return !form.isVisible(); }, 10000));
        QVERIFY(!form.JobRunning());
        QVERIFY(QTest::qWaitFor([&] { return !Alive(ReadAll(pidFile)); }, 5000));
    }

    // Closing while the book is built waits for the chapter being rendered, then stops:
    // no book is saved and none is opened.
    void closingDuringTheBuildStopsWithoutABook() {
        const QString opened = test::InstallStandInXdgOpen(programs_.filePath("viewer"));
        const QString folder = programs_.filePath("builds");
        QString script =
            "W=\"$HOME/Documents/Inkvale/Quillby Downloader/tmp\"\n"
            "printf 'title:Closing Time\\r\\nauthor:A\\r\\nchapter:30\\r\\n' > \"$W/run.log\"\n"
            "for n in $(seq 30); do\n"
            "  printf 'chapter_%s / 30: C%s\\r\\n' $n $n >> \"$W/run.log\"\n"
            "  { echo \"<h2>C$n</h2>\"; for p in $(seq 60); do echo \"<p>word $n $p and more"
            " words to fill a line of the page</p>\"; done; } > \"$W/$n.html\"\n"
            "done\nprintf 'done\\r\\n' >> \"$W/run.log\"\n";
        MakeStandInLauncher(folder, script);
        QVERIFY(QFile::link(QString::fromStdString(test::QuillrenderPath()),
                            folder + "/bin/quillrender"));
        TMainfm form;
        form.SetProgramFolder(folder.toStdString() + "/");
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.linked->setText("https://www.quillby.com/story/1-closing-time");
        QTest::mouseClick(form.downloadbtn, Qt::LeftButton);
        // The log shows one "process html pdf N" line that each page rewrites, and the window
        // mirrors it every so often: any page before the last one means the build is under way.
        const auto rendering = [&] {
            for (const QString& line : form.LogLines()) {
                if (line.startsWith("process html pdf ") && line.mid(17).toInt() < 30) {
                    return true;
                }
            }
            return false;
        };
        QVERIFY2(QTest::qWaitFor(rendering, 60000), qPrintable(form.LogLines().join(" | ")));

        bool asked = false;
        Answer(this, QMessageBox::Yes, &asked);
        form.close();
        QVERIFY(asked);
        QVERIFY(QTest::qWaitFor([&] { return !form.isVisible(); }, 60000));
        QVERIFY2(form.LogLines().last() == "The book was not finished: the program is closing.",
                 qPrintable(form.LogLines().join(" | ")));
        QVERIFY(!form.LogLines().contains("process html pdf 30"));
        const QDir data(QString::fromStdString(form.Folders()->datadir));
        QCOMPARE(data.entryList({"*.pdf"}, QDir::Files), QStringList{});
        QVERIFY(ReadAll(opened).isEmpty());
    }

    void helpAndAboutOpenTheMakersPages() {
        const QString opened = test::InstallStandInXdgOpen(programs_.filePath("desktop"));
        TMainfm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !ReadAll(opened).isEmpty(); }, 5000));
        QCOMPARE(ReadAll(opened), QByteArray("https://www.inkvale.com/download/help.php?id=25\n"));

        QString version;
        bool stayedOpenAfterLink = false;
        QTimer::singleShot(0, this, [&] {
            auto* about = qobject_cast<TAboutFm*>(QApplication::activeModalWidget());
            QVERIFY(about != nullptr);
            version = about->Label1->text();
            QTest::mouseClick(about->Label2, Qt::LeftButton);
            stayedOpenAfterLink =
                QTest::qWaitFor([&] { return ReadAll(opened).count('\n') == 2; }, 5000) &&
                about->isVisible();
            QTest::keyClick(about, Qt::Key_Return);
        });
        form.AboutbtnClick();  // modal: returns once Enter has closed the window

        QCOMPARE(version, QString("Version:1.25.10201.1"));
        QVERIFY(stayedOpenAfterLink);
        QVERIFY(ReadAll(opened).endsWith("https://www.inkvale.com/?id=25\n"));
    }

  private:
    QTemporaryDir programs_;
};

QUILLBY_QT_TEST(MainWindowTest)
#include "MainWindowTest.moc"
