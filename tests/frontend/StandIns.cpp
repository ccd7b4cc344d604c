#include "StandIns.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

namespace quill::test {

namespace {

void WriteScript(const QString& path, const QString& body) {
    WriteAll(path, ("#!/bin/sh\n" + body + "\n").toUtf8());
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner |
                                    QFileDevice::ExeGroup | QFileDevice::ExeOther);
}

}  // namespace

QString MakeStandInLauncher(const QString& folder, const QString& scriptBody) {
    QDir().mkpath(folder + "/bin");
    WriteScript(folder + "/bin/quillmain", scriptBody);
    return folder + "/";
}

QString InstallStandInXdgOpen(const QString& folder) {
    QDir().mkpath(folder);
    const QString record = folder + "/opened.txt";
    WriteScript(folder + "/xdg-open", "printf '%s\\n' \"$1\" >> '" + record + "'");
    const QByteArray path = qgetenv("PATH");
    if (!path.startsWith(folder.toUtf8() + ":")) {
        setenv("PATH", (folder.toUtf8() + ":" + path).constData(), 1);
    }
    return record;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
}

QStringList Entries(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

}  // namespace quill::test
