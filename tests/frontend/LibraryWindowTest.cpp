// The window's side of the library: the list of stories and its sorting, opening a book,
// removing a story, and the queue of several addresses. Jobs run through the real job core
// with stand-in launchers.
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "StandIns.h"
#include "TestMain.h"
#include "frontend/MainUnit.h"
#include "library/Library.h"

using namespace quill;
using quill::test::MakeStandInLauncher;
using quill::test::ReadAll;

namespace {

QString DataFolder() {
    return test::TestHome() + "/.local/share/Quillby Downloader";
}

QString BooksFolder() {
    return test::TestHome() + "/Documents/Inkvale/Quillby Downloader";
}

LibraryStory Kept(uint64_t number, const std::string& title, int kept, int onSite,
                  int64_t updated) {
    LibraryStory story;
    story.number = number;
    story.address = "https://www.quillby.com/story/" + std::to_string(number);
    story.title = title;
    story.author = "Author of " + title;
    story.chaptersKept = kept;
    story.chaptersOnSite = onSite;
    story.lastChecked = updated;
    story.lastUpdated = updated;
    story.outcome = kept == onSite ? "complete" : "incomplete";
    return story;
}

void Put(const LibraryStory& story) {
    Library library((DataFolder() + "/library.sqlite").toStdString());
    library.Change(story.number, [&](LibraryStory& entry, bool) {
        entry = story;
        return true;
    });
}

QStringList Column(const QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts << list->topLevelItem(i)->text(column);
    }
    return texts;
}

void ClickHeader(QTreeWidget* list, int column) {
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
}

QTreeWidgetItem* Row(QTreeWidget* list, const QString& title) {
    const QList<QTreeWidgetItem*> found = list->findItems(title, Qt::MatchExactly, 0);
    return found.isEmpty() ? nullptr : found.first();
}

// Answers the next question box with the given button; `asked` gets its text.
void Answer(QObject* context, QMessageBox::StandardButton button, QString* asked) {
    QTimer::singleShot(0, context, [button, asked] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        *asked = box != nullptr ? box->text() : QString();
        if (box != nullptr) {
            box->button(button)->click();
        }
    });
}

}  // namespace

class LibraryWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        QDir(DataFolder()).removeRecursively();
        QDir(BooksFolder()).removeRecursively();
        QDir().mkpath(DataFolder());
        qputenv("QUILLBY_CHAPTER_PAUSE_MS", "50");
    }

    void theListShowsTheLibraryAndSortsByAnyColumn() {
        Put(Kept(7001, "Beta Tale", 12, 14, 1700000000));
        Put(Kept(7002, "alpha tale", 3, 3, 1800000000));
        LibraryStory unread;
        unread.number = 7003;
        unread.address = "https://www.quillby.com/story/7003";
        Put(unread);
        TMainfm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QCOMPARE(Column(form.Stories, TMainfm::kTitle),
                 (QStringList{"alpha tale", "Beta Tale", "Story 7003"}));
        QTreeWidgetItem* beta = Row(form.Stories, "Beta Tale");
        QVERIFY(beta != nullptr);
        QCOMPARE(beta->text(TMainfm::kAuthor), QString("Author of Beta Tale"));
        QCOMPARE(beta->text(TMainfm::kChapters), QString("12 of 14"));
        QCOMPARE(beta->text(TMainfm::kNew), QString("2"));
        QCOMPARE(beta->text(TMainfm::kOutcome), QString("Chapters missing"));
        QCOMPARE(Row(form.Stories, "Story 7003")->text(TMainfm::kOutcome),
                 QString("Not checked yet"));

        ClickHeader(form.Stories, TMainfm::kChapters);  // by number, not by text: 3 < 12
        QCOMPARE(Column(form.Stories, TMainfm::kTitle),
                 (QStringList{"Story 7003", "alpha tale", "Beta Tale"}));
        ClickHeader(form.Stories, TMainfm::kChapters);
        QCOMPARE(Column(form.Stories, TMainfm::kTitle).first(), QString("Beta Tale"));
        ClickHeader(form.Stories, TMainfm::kUpdated);
        QCOMPARE(Column(form.Stories, TMainfm::kTitle),
                 (QStringList{"Story 7003", "Beta Tale", "alpha tale"}));
        ClickHeader(form.Stories, TMainfm::kNew);
        QCOMPARE(Column(form.Stories, TMainfm::kTitle).last(), QString("Beta Tale"));
    }

    void aDoubleClickOpensTheBookOrSaysThatThereIsNone() {
        const QString opened = test::InstallStandInXdgOpen(programs_.filePath("viewer"));
        QDir().mkpath(BooksFolder());
        const QString pdf = BooksFolder() + "/Beta Tale.pdf";
        test::WriteAll(pdf, "%PDF-1.7");
        LibraryStory beta = Kept(7001, "Beta Tale", 2, 2, 1700000000);
        beta.PutBook({"epub", (BooksFolder() + "/gone.epub").toStdString(), "1-2", "", 1, 1});
        beta.PutBook({"pdf", pdf.toStdString(), "1-2", "", 8, 1});
        Put(beta);
        LibraryStory gone = Kept(7002, "Gone Tale", 2, 2, 1700000000);
        gone.PutBook({"pdf", (BooksFolder() + "/Gone Tale.pdf").toStdString(), "1-2", "", 1, 1});
        Put(gone);
        TMainfm form;

        emit form.Stories->itemDoubleClicked(Row(form.Stories, "Beta Tale"), 0);
        QVERIFY(QTest::qWaitFor([&] { return !ReadAll(opened).isEmpty(); }, 5000));
        QCOMPARE(ReadAll(opened), (pdf + "\n").toUtf8());
        emit form.Stories->itemDoubleClicked(Row(form.Stories, "Gone Tale"), 0);
        QCOMPARE(form.LogLines().last(),
                 QString::fromUtf8("No book of “Gone Tale” is in the Documents folder. Press "
                                   "Update to make it."));
    }

    // Remove asks first; it deletes the kept chapters and the entry, never the book.
    void removeAsksAndKeepsTheBooks() {
        QDir().mkpath(BooksFolder());
        const QString pdf = BooksFolder() + "/Beta Tale.pdf";
        test::WriteAll(pdf, "%PDF-1.7");
        LibraryStory beta = Kept(7001, "Beta Tale", 2, 2, 1700000000);
        beta.PutBook({"pdf", pdf.toStdString(), "1-2", "", 8, 1});
        Put(beta);
        Put(Kept(7002, "Other Tale", 1, 1, 1700000000));
        const QString kept = DataFolder() + "/stories/7001";
        QDir().mkpath(kept);
        test::WriteAll(kept + "/0123.chapter", "kept");
        TMainfm form;
        QVERIFY(!form.removebtn->isEnabled());
        Row(form.Stories, "Beta Tale")->setSelected(true);
        QVERIFY(form.removebtn->isEnabled());

        QString asked;
        Answer(this, QMessageBox::No, &asked);
        form.removebtnClick();
        QCOMPARE(asked, QString::fromUtf8("Remove “Beta Tale” from the library? The kept "
                                          "chapters are deleted; the books stay in the "
                                          "Documents folder."));
        QVERIFY(QDir(kept).exists());
        QCOMPARE(form.Stories->topLevelItemCount(), 2);

        Answer(this, QMessageBox::Yes, &asked);
        form.removebtnClick();
        QVERIFY(!QDir(kept).exists());
        QCOMPARE(Column(form.Stories, TMainfm::kTitle), QStringList{"Other Tale"});
        QVERIFY(QFileInfo(pdf).isFile());
        QVERIFY(!Library((DataFolder() + "/library.sqlite").toStdString()).Find(7001));
    }

    // Several addresses pasted into the field queue once each, one after another, and the
    // queue shows and can be cancelled; an update adds only what is not queued yet.
    void severalAddressesQueueOnceEachAndTheQueueCanBeCancelled() {
        Put(Kept(7002, "Second Tale", 1, 1, 1700000000));
        const QString started = programs_.filePath("started");
        TMainfm form;
        form.SetOpenBooks(false);
        form.SetProgramFolder(
            MakeStandInLauncher(programs_.filePath("slow"), "echo x >> '" + started + "'\nsleep 60")
                .toStdString());
        QSignalSpy finished(&form, &TMainfm::jobFinished);
        const QString first = "https://www.quillby.com/story/7001-first";
        const QString second = "https://www.quillby.com/story/7002";
        const QString third = "https://www.quillby.com/story/7003";
        form.linked->setText(first + "\n" + second +
                             "  https://www.quillby.com/story/7001?again\t" + third);
        QTest::mouseClick(form.downloadbtn, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return form.QueueLines().size() == 3; }, 5000));
        QCOMPARE(form.QueueLines(),
                 (QStringList{"Downloading: " + first, "Waiting: " + second, "Waiting: " + third}));
        QVERIFY(form.LogLines().contains("1 of these stories was queued already."));
        QVERIFY(!form.downloadbtn->isEnabled());
        QVERIFY(form.cancelbtn->isEnabled());
        QVERIFY(!form.removebtn->isEnabled());

        Row(form.Stories, "Second Tale")->setSelected(true);
        form.updatebtnClick();  // waiting already
        QCOMPARE(form.QueueLines().size(), 3);

        QVERIFY(QTest::qWaitFor([&] { return !ReadAll(started).isEmpty(); }, 5000));
        QTest::mouseClick(form.cancelbtn, Qt::LeftButton);
        QVERIFY(finished.wait(10000));
        QCOMPARE(ReadAll(started), QByteArray("x\n"));  // only the first job ran
        QVERIFY(form.QueueLines().isEmpty());
        QCOMPARE(form.LogLines().last(), QString("No story had new chapters; 3 were not checked"));
        QVERIFY(form.downloadbtn->isEnabled());
    }

  private:
    QTemporaryDir programs_;
};

QUILLBY_QT_TEST(LibraryWindowTest)
#include "LibraryWindowTest.moc"
