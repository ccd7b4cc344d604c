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
    void aJobEndingInTheBackgroundIsAnnounced() {
        QProcess bus;
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY(bus.waitForReadyRead(10000));
        const QByteArray address = bus.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);

        QProcess monitor;
        monitor.start("dbus-monitor", {"--address", QString::fromUtf8(address),
                                       "interface='org.freedesktop.Notifications'"});
        QVERIFY(monitor.waitForReadyRead(10000));  // it reports its own connection first

        TMainfm form;  // never shown, so never the active window
        form.SetProgramFolder(
            test::MakeStandInLauncher(programs_.filePath("quiet"), "exit 0").toStdString());
        QSignalSpy finished(&form, &TMainfm::jobFinished);
        form.linked->setText("https://www.quillby.com/story/1");
        QTest::mouseClick(form.downloadbtn, Qt::LeftButton);
        QVERIFY(finished.wait(20000));

        QByteArray seen;
        QVERIFY(QTest::qWaitFor(
            [&] {
                seen += monitor.readAll();
                return seen.contains("No book was made");
            },
            10000));
        QVERIFY(seen.contains("member=Notify"));
        QVERIFY(seen.contains("Quillby Downloader"));
        QVERIFY(form.downloadbtn->isEnabled());
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
