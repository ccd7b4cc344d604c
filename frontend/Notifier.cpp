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

// One notification through the freedesktop service; no reply is awaited, so without a
// notification service the call simply goes nowhere.
void Notify(const QString& summary, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    call << QString(kProductTitle) << 0u << QString("quillby") << summary << body.toHtmlEscaped()
         << QStringList() << QVariantMap() << -1;
    bus.send(call);
}

}  // namespace

void NotifyJobEnded(const JobResult& result) {
    QString body = result.bookfile.empty()
                       ? QString()
                       : QFileInfo(QString::fromStdString(result.bookfile)).fileName();
    if (!result.message.empty()) {
        body += (body.isEmpty() ? "" : "\n") + QString::fromStdString(result.message);
    }
    Notify(Summary(result), body);
}

void NotifyQueueEnded(const QueueSummary& summary, bool update) {
    Notify(update ? "Your stories were checked" : "Your downloads are done",
           QString::fromStdString(summary.Text()));
}

}  // namespace quill
