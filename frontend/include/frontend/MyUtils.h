#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Base64Encode and DebugLog are shared with the downloader and the book builder; the
// window's units reach them through this header.
#include "common/Base64.h"
#include "common/DebugLog.h"

class QImage;
class QLabel;
class QString;

namespace quill {

// The user's data folder: Documents, then "Inkvale", then name, with a trailing "/".
// Missing folders are created one level at a time; a failure shows up later, when the
// job finds no run log.
std::string GetDataDir(const std::string& name);

// Creates the folder when it is missing (one level); failures are not reported.
void MakeDir(const std::string& path);

// Deletes every file directly inside the folder whose name contains a ".": a job's run
// log, chapter files, cover and PDFs go, while subfolders and dot-less names stay.
void ClearDir(const std::string& path);

// Waits while the window keeps handling its events; events are handled at least once.
void Delay(uint32_t ms);

// The text after the line's first ":", unchanged; empty when there is no ":".
std::string ValueAfterColon(const std::string& line);

// ValueAfterColon read as a whole decimal number (leading blanks allowed); 0 when empty.
// Throws EConvertError when the value is not a whole number that fits in 32 bits.
int IntAfterColon(const std::string& line);

// The path of the compiled-in resource name (":/name").
QString ResourcePath(const QString& name);

// Writes the compiled-in resource ":/name" byte for byte to path, replacing it.
// Throws EFCreateError when the file cannot be written.
void SaveResourceToFile(const QString& name, const std::string& path);

// Decode the compiled-in PNG resource ":/name"; a missing resource leaves a null picture.
void LoadPngToBitmap(const QString& name, QImage& bitmap);
void LoadPngToImage(const QString& name, QLabel* image);

// The lines of a run log decoded as UTF-8 (a byte-order mark is skipped, CR LF, LF and
// CR all end a line, a final line end adds no empty line). False when it cannot be read.
bool ReadLogLines(const std::string& path, std::vector<std::string>& lines);

// Opens a document or web address with the desktop's default program; failures are
// ignored, like a shell that cannot open something.
void OpenWithDefaultProgram(const QString& target);

}  // namespace quill
