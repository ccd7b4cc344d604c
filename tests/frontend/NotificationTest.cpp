// A job that ends while the window is in the background tells the desktop; with no
// notification service listening, nothing fails. Its own process: Qt connects to the
// session bus once.
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "StandIns.h"
#include "TestMain.h"
#include "frontend/MainUnit.h"

using namespace quill;

class NotificationTest : public QObject {
    Q_OBJECT
  private slots:
    // One story tells how its book went; several tell once, with what they found.
    void aJobEndingInTheBackgroundIsAnnounced() {
        QProcess bus;
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY(bus.waitForReadyRead(10000));
        const QByteArray address = bus.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        qputenv("QUILLBY_CHAPTER_PAUSE_MS", "50");

        QProcess monitor;
        monitor.start("dbus-monitor", {"--address", QString::fromUtf8(address),
                                       "interface='org.freedesktop.Notifications'"});
        QVERIFY(monitor.waitForReadyRead(10000));  // it reports its own connection first

        TMainfm form;  // never shown, so never the active window
        form.SetProgramFolder(
            test::MakeStandInLauncher(programs_.filePath("quiet"), "exit 0").toStdString());
        QSignalSpy finished(&form, &TMainfm::jobFinished);
        QByteArray seen;
        const auto notified = [&](const QByteArray& text) {
            return QTest::qWaitFor(
                [&] {
                    seen += monitor.readAll();
                    return seen.contains(text);
                },
                10000);
        };
        form.linked->setText("https://www.quillby.com/story/1");
        QTest::mouseClick(form.downloadbtn, Qt::LeftButton);
        QVERIFY(finished.wait(20000));
        QVERIFY(notified("No book was made"));
        QVERIFY(seen.contains("member=Notify"));
        QVERIFY(seen.contains("Quillby Downloader"));
        QVERIFY(form.downloadbtn->isEnabled());

        seen.clear();
        form.linked->setText("https://www.quillby.com/story/1 https://www.quillby.com/story/2");
        QTest::mouseClick(form.downloadbtn, Qt::LeftButton);
        QVERIFY(finished.wait(20000));
        QVERIFY(notified("No story had new chapters; 2 could not be checked"));
        QTest::qWait(500);
        seen += monitor.readAll();
        QCOMPARE(seen.count("member=Notify"), 1);
        monitor.kill();
        bus.kill();
        monitor.waitForFinished();
        bus.waitForFinished();
    }

  private:
    QTemporaryDir programs_;
};

QUILLBY_QT_TEST(NotificationTest)
#include "NotificationTest.moc"
