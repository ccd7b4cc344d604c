// The window's helpers: folders, run-log reading, values after a colon, resources.
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "StandIns.h"
#include "TestMain.h"
#include "common/Errors.h"
#include "frontend/MyUtils.h"

using namespace quill;
using quill::test::Entries;
using quill::test::ReadAll;
using quill::test::WriteAll;

class UtilsTest : public QObject {
    Q_OBJECT
  private slots:
    void clearDirDeletesOnlyDottedFilesAtTopLevel() {
        QTemporaryDir dir;
        const QString p = dir.path();
        for (const char* name : {"run.log", "3.html", "cover.jpg", ".hidden", "README"}) {
            WriteAll(p + "/" + name, "x");
        }
        QDir(p).mkpath("sub.d");
        WriteAll(p + "/sub.d/inner.html", "x");

        ClearDir(p.toStdString());

        QCOMPARE(Entries(p), (QStringList{"README", "sub.d"}));
        QCOMPARE(Entries(p + "/sub.d"), QStringList{"inner.html"});
    }

    void dataDirIsCreatedBelowDocuments() {
        const QString docs = quill::test::TestHome() + "/Documents";
        QDir(docs + "/Inkvale").removeRecursively();

        const std::string path = GetDataDir("Some Tool");

        QCOMPARE(QString::fromStdString(path), docs + "/Inkvale/Some Tool/");
        QVERIFY(QDir(docs + "/Inkvale/Some Tool").exists());
    }

    void valueAfterColon_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("value");
        QTest::newRow("title with colon") << "title:Zoë: A Tale"
                                          << "Zoë: A Tale";
        QTest::newRow("no colon") << "cover page"
                                  << "";
        QTest::newRow("ends at colon") << "author:"
                                       << "";
        QTest::newRow("blanks kept") << "author: Ann "
                                     << " Ann ";
    }
    void valueAfterColon() {
        QFETCH(QString, line);
        QFETCH(QString, value);
        QCOMPARE(QString::fromStdString(ValueAfterColon(line.toStdString())), value);
    }

    void intAfterColon_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("number");
        QTest::newRow("plain") << "chapter:12" << 12;
        QTest::newRow("empty") << "chapter:" << 0;
        QTest::newRow("leading blanks") << "chapter:  7" << 7;
        QTest::newRow("negative") << "chapter:-3" << -3;
        QTest::newRow("largest") << "chapter:2147483647" << 2147483647;
    }
    void intAfterColon() {
        QFETCH(QString, line);
        QFETCH(int, number);
        QCOMPARE(IntAfterColon(line.toStdString()), number);
    }

    void intAfterColonRejectsWhatIsNotAWholeNumber() {
        for (const char* line :
             {"chapter:12a", "chapter:1.5", "chapter:12 ", "chapter: ", "chapter:-",
              "chapter:2147483648", "chapter:99999999999", "chapter:0x10"}) {
            QVERIFY_EXCEPTION_THROWN(IntAfterColon(line), EConvertError);
        }
    }

    void logLinesHonourEveryLineEndAndTheByteOrderMark() {
        QTemporaryDir dir;
        const QString path = dir.filePath("run.log");
        WriteAll(path, "\xEF\xBB\xBFtitle:Caf\xC3\xA9\r\nauthor:A\nchapter:2\rlast\r\n");

        std::vector<std::string> lines;
        QVERIFY(ReadLogLines(path.toStdString(), lines));

        const std::vector<std::string> expected{"title:Caf\xC3\xA9", "author:A", "chapter:2",
                                                "last"};
        QVERIFY(lines == expected);
        WriteAll(path, "a\r\n\r\nb");
        QVERIFY(ReadLogLines(path.toStdString(), lines));
        QVERIFY((lines == std::vector<std::string>{"a", "", "b"}));
        QVERIFY(!ReadLogLines(dir.filePath("missing.log").toStdString(), lines));
    }

    void coverPageIsWrittenByteForByte() {
        QTemporaryDir dir;
        const QString path = dir.filePath("0.html");
        WriteAll(path, QByteArray(5000, '#'));  // an older, longer file must not shine through

        SaveResourceToFile("COVERIMG", path.toStdString());

        const QByteArray page = ReadAll(path);
        QVERIFY(page.startsWith("\xEF\xBB\xBF<!DOCTYPE html>"));
        QVERIFY(!page.contains('\r'));
        QVERIFY(!page.contains('#'));
        QVERIFY(page.contains("<title></title>"));
        for (const char* declaration : {"height: 300px;", "display: flex;", "align-items: center;",
                                        "justify-content: center;"}) {
            QVERIFY2(page.contains(declaration), declaration);
        }
        QVERIFY(page.indexOf("<div class=\"center\"></div>") < page.indexOf("src=\"cover.jpg\""));
        QVERIFY_EXCEPTION_THROWN(
            SaveResourceToFile("COVERIMG", dir.filePath("no/such/folder/0.html").toStdString()),
            EFCreateError);
    }

    void delayHandlesPendingEventsEvenForZero() {
        bool handled = false;
        QTimer::singleShot(0, this, [&handled] { handled = true; });
        Delay(0);
        QVERIFY(handled);

        bool fired = false;
        QTimer::singleShot(20, this, [&fired] { fired = true; });
        Delay(200);
        QVERIFY(fired);
    }
};

QUILLBY_QT_TEST(UtilsTest)
#include "UtilsTest.moc"
