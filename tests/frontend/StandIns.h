#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quill::test {

// A program folder holding bin/quillmain as a shell script with the given body, for
// tests of the window's side of a job (the whole-system tests use the real launcher).
// Returns the folder with a trailing "/", ready to be used as appdir.
QString MakeStandInLauncher(const QString& folder, const QString& scriptBody);

// Puts an xdg-open first on PATH that appends its argument as a line to the returned file.
QString InstallStandInXdgOpen(const QString& folder);

QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& bytes);
// The names in a folder (files and folders), sorted.
QStringList Entries(const QString& folder);

}  // namespace quill::test
