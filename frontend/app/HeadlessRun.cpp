#include "HeadlessRun.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QThread>
#include <QTimer>

#include <cstdio>

#include "frontend/MainUnit.h"
#include "frontend/PyUnit.h"

namespace quill {

namespace {

void PrintLine(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

int RunHeadless(TMainfm& form, const QString& url, bool openBook) {
    form.SetOpenBooks(openBook);
    QObject::connect(&form, &TMainfm::lineAdded, PrintLine);
    QObject::connect(&form, &TMainfm::lineReplaced, PrintLine);
    bool bookMade = false;
    QObject::connect(&form, &TMainfm::jobFinished, [&bookMade](bool made) {
        bookMade = made;
        QCoreApplication::exit(made ? 0 : 1);
    });
    form.linked->setText(url);
    QTimer::singleShot(0, &form, &TMainfm::downloadbtnClick);
    const int status = QCoreApplication::exec();
    // The job runner is just returning from the completion step; let it finish so that
    // nothing runs against the window while the program ends.
    while (TPyThread::Running() > 0) {
        QThread::msleep(5);
    }
    if (bookMade) {
        PrintLine(QString::fromStdString(bookfile));
    }
    return status;
}

}  // namespace quill
