#include "frontend/Notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QVariantMap>

#include "frontend/MainUnit.h"

namespace quill {

namespace {

QString Summary(const JobResult& result) {
    switch (result.outcome) {
        case JobOutcome::Complete:
            return "Your book is ready";
        case JobOutcome::Incomplete:
            return "Your book is ready, with chapters missing";
        case JobOutcome::Stopped:
            return "The download was stopped";
        case JobOutcome::Failed:
        case JobOutcome::Refused:
        case JobOutcome::BadAddress:
            break;
    }
    return "No book was made";
}

}  // namespace

void NotifyJobEnded(const JobResult& result) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QString body = result.bookfile.empty()
                       ? QString()
                       : QFileInfo(QString::fromStdString(result.bookfile)).fileName();
    if (!result.message.empty()) {
        body += (body.isEmpty() ? "" : "\n") + QString::fromStdString(result.message);
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    call << QString(kProductTitle) << 0u << QString("quillby") << Summary(result)
         << body.toHtmlEscaped() << QStringList() << QVariantMap() << -1;
    // No reply is awaited: without a notification service the call simply goes nowhere.
    bus.send(call);
}

}  // namespace quill
