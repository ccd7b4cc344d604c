// A job from the window's side: the Download button, the job runner and the completion
// step, with a stand-in launcher (the whole-system tests run the real one).
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <nlohmann/json.hpp>

#include "StandIns.h"
#include "TestMain.h"
#include "assembly/WkHtmlToXBindings.h"
#include "common/Base64.h"
#include "frontend/AboutUt.h"
#include "frontend/MainUnit.h"
#include "frontend/MyUtils.h"
#include "frontend/PyUnit.h"
#include "platform/DynamicLibrary.h"

using namespace quill;
using quill::test::Entries;
using quill::test::MakeStandInLauncher;
using quill::test::ReadAll;
using quill::test::WriteAll;

namespace {

const char* const kUnfinished = "Downloading not finish, click Download button it again";

// Shell lines that write a run log and chapter files into the work folder, as the
// downloader does.
QString RunLogScript(const QString& logLines, int chapterFiles) {
    const QString dir = QString::fromStdString(tmpdir);
    QString script = "printf '" + logLines + "' > '" + dir + "/run.log'\n";
    for (int n = 1; n <= chapterFiles; ++n) {
        script += QString("printf '<p>%1</p>' > '%2/%1.html'\n").arg(n).arg(dir);
    }
    return script;
}

bool RunJob(TMainfm& form, const QString& address = "http://127.0.0.1:9/story/1") {
    QSignalSpy finished(&form, &TMainfm::jobFinished);
    form.linked->setText(address);
    QTest::mouseClick(form.downloadbtn, Qt::LeftButton);
    if (!finished.wait(20000)) {
        return false;
    }
    // The job runner ends right after the completion step; let it go before the window does.
    return QTest::qWaitFor([] { return TPyThread::Running() == 0; }, 5000);
}

}  // namespace

class JobTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QVERIFY(programs_.isValid()); }

    void downloadEntersAndLeavesTheBusyState() {
        TMainfm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QString ticketFile = programs_.filePath("ticket.txt");
        appdir = MakeStandInLauncher(programs_.filePath("slow"),
                                     "printf '%s' \"$1\" > '" + ticketFile + "'\nsleep 0.5")
                     .toStdString();
        const QString work = QString::fromStdString(tmpdir);
        for (const char* name : {"run.log", "3.html", "0.pdf", "keep"}) {
            WriteAll(work + "/" + name, "old");
        }
        QDir(work).mkpath("sub.d");

        QSignalSpy finished(&form, &TMainfm::jobFinished);
        form.linked->setText(" \thttp://127.0.0.1:9/story/1001-x  ");
        QTest::mouseClick(form.downloadbtn, Qt::LeftButton);

        QCOMPARE(form.downloadbtn->text(), QString("Downloading"));
        QVERIFY(!form.downloadbtn->isEnabled());
        QVERIFY(form.Timer1->isActive());
        QVERIFY(busy);
        QVERIFY(form.LogLines().isEmpty());
        QCOMPARE(Entries(work), (QStringList{"keep", "sub.d"}));

        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QCOMPARE(form.downloadbtn->text(), QString("Download"));
        QVERIFY(form.downloadbtn->isEnabled());
        QVERIFY(!form.Timer1->isActive());
        QVERIFY(!busy);
        QCOMPARE(form.LogLines(), QStringList{"Failed find log file"});

        const auto ticket = nlohmann::json::parse(Base64Decode(ReadAll(ticketFile).toStdString()));
        QCOMPARE(ticket.at("url").get<std::string>(),
                 std::string("http://127.0.0.1:9/story/1001-x"));
        QCOMPARE(ticket.at("dir").get<std::string>(), tmpdir);
        QVERIFY(QTest::qWaitFor([] { return TPyThread::Running() == 0; }, 5000));
    }

    void windowStaysResponsiveWhileTheLauncherRuns() {
        TMainfm form;
        appdir = MakeStandInLauncher(programs_.filePath("slow2"), "sleep 1").toStdString();
        bool jobEnded = false;
        bool tickedWhileRunning = false;
        connect(&form, &TMainfm::jobFinished, this, [&] { jobEnded = true; });
        QTimer::singleShot(100, this, [&] { tickedWhileRunning = !jobEnded; });
        QVERIFY(RunJob(form));
        QVERIFY(tickedWhileRunning);
    }

    void aMissingLauncherEndsWithNoRunLog() {
        TMainfm form;
        appdir = programs_.filePath("nowhere/").toStdString();
        QVERIFY(RunJob(form));
        QCOMPARE(form.LogLines(), QStringList{"Failed find log file"});
        QVERIFY(form.downloadbtn->isEnabled());
    }

    void unfinishedDownloadsEndWithTheMessage_data() {
        QTest::addColumn<QString>("logLines");
        QTest::addColumn<int>("files");
        QTest::newRow("last chapter missing") << "title:T\\r\\nchapter:3\\r\\n" << 2;
        QTest::newRow("no chapter line") << "title:T\\r\\n" << 2;
        QTest::newRow("chapter not a number") << "title:T\\r\\nchapter:3x\\r\\n" << 3;
    }
    void unfinishedDownloadsEndWithTheMessage() {
        QFETCH(QString, logLines);
        QFETCH(int, files);
        TMainfm form;
        appdir = MakeStandInLauncher(programs_.filePath(QTest::currentDataTag()),
                                     RunLogScript(logLines, files))
                     .toStdString();
        QVERIFY(RunJob(form));
        QCOMPARE(form.LogLines().last(), QString(kUnfinished));
        QVERIFY(!QFile::exists(QString::fromStdString(tmpdir + "/0.html")));
        QVERIFY(form.downloadbtn->isEnabled());
    }

    // A failing build is a log line, and the button stays down until the step has ended.
    void aFailingBookBuildIsALogLineAndBackToIdle() {
        TMainfm form;
        appdir = MakeStandInLauncher(programs_.filePath("build"),
                                     RunLogScript("title:T\\r\\nchapter:1\\r\\ndone\\r\\n", 1))
                     .toStdString();
        QList<bool> buttonDuringStep;
        connect(&form, &TMainfm::lineAdded, this,
                [&] { buttonDuringStep.append(form.downloadbtn->isEnabled()); });
        wk::SetWkHtmlToXLibraryName("libwkhtmltox-not-installed.so");

        QVERIFY(RunJob(form));
        wk::SetWkHtmlToXLibraryName(platform::LibraryFileName("wkhtmltox"));

        QVERIFY2(form.LogLines().contains("Load library error (WkHtmlToX)"),
                 qPrintable(form.LogLines().join(" | ")));
        QVERIFY(!form.LogLines().contains("done") || form.LogLines().last() != "done");
        QVERIFY(!buttonDuringStep.isEmpty());
        QVERIFY(!buttonDuringStep.contains(true));
        QVERIFY(form.downloadbtn->isEnabled());
        QCOMPARE(form.downloadbtn->text(), QString("Download"));
        QFile cover(ResourcePath("COVERIMG"));
        QVERIFY(cover.open(QIODevice::ReadOnly));
        QCOMPARE(ReadAll(QString::fromStdString(tmpdir + "/0.html")), cover.readAll());
    }

    void runnerReportsAFailedStart() {
        int status = -1;
        std::string reason;
        bool onGuiThread = false;
        appdir = programs_.filePath("nowhere/").toStdString();
        auto* runner = new TPyThread("http://x/", programs_.path().toStdString());
        runner->OnTerminate = [&, runner] {
            status = runner->status;
            reason = runner->resultstr;
            onGuiThread = QThread::currentThread() == qApp->thread();
        };
        runner->start();
        QVERIFY(QTest::qWaitFor([&] { return status != -1; }, 10000));
        QCOMPARE(status, int(TPyThread::kStartFailed));
        QCOMPARE(QString::fromStdString(reason), QString("No such file or directory"));
        QVERIFY(onGuiThread);
        QCOMPARE(bookdir, programs_.path().toStdString());
    }

    // When the process is reaped behind our back, every wait fails; the loop must end.
    void aWaitThatCannotWorkEndsTheLoop() {
        appdir = MakeStandInLauncher(programs_.filePath("quick"), "exit 0").toStdString();
        const auto previous = std::signal(SIGCHLD, SIG_IGN);
        int status = -1;
        auto* runner = new TPyThread("http://x/", programs_.path().toStdString());
        runner->OnTerminate = [&, runner] { status = runner->status; };
        runner->start();
        const bool ended = QTest::qWaitFor([&] { return status != -1; }, 10000);
        std::signal(SIGCHLD, previous);
        QVERIFY(ended);
        QCOMPARE(status, int(TPyThread::kWaitFailed));
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

QUILLBY_QT_TEST(JobTest)
#include "JobTest.moc"
