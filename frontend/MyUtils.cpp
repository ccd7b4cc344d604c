#include "frontend/MyUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <cctype>
#include <climits>

#include "common/Errors.h"

// Resources compiled into a static library are linked in only when something refers to
// them, and Q_INIT_RESOURCE must be called outside any namespace.
static void InitQuillbyResources() {
    Q_INIT_RESOURCE(quillby);
}

namespace quill {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string DocumentsFolder() {
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty()) {
        // No desktop folder configured at all: the home folder is the next best place.
        docs = QDir::homePath();
    }
    QDir().mkpath(docs);
    return docs.toStdString();
}

}  // namespace

QString ResourcePath(const QString& name) {
    static const bool ready = (InitQuillbyResources(), true);
    (void)ready;
    return ":/" + name;
}

std::string GetDataDir(const std::string& name) {
    std::string path = DocumentsFolder() + "/Inkvale";
    MakeDir(path);
    path += "/" + name + "/";
    MakeDir(path);
    return path;
}

void MakeDir(const std::string& path) {
    QDir dir(Q(path));
    if (!dir.exists()) {
        dir.mkdir(dir.absolutePath());
    }
}

void ClearDir(const std::string& path) {
    QDir dir(Q(path));
    const QStringList names =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (name.contains('.')) {
            dir.remove(name);
        }
    }
}

void Delay(uint32_t ms) {
    QCoreApplication::processEvents();
    if (ms == 0) {
        return;
    }
    // A nested loop sleeps until an event or the deadline instead of spinning.
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(ms), &loop, &QEventLoop::quit);
    loop.exec();
}

std::string ValueAfterColon(const std::string& line) {
    const size_t colon = line.find(':');
    return colon == std::string::npos ? std::string() : line.substr(colon + 1);
}

int IntAfterColon(const std::string& line) {
    const std::string value = ValueAfterColon(line);
    if (value.empty()) {
        return 0;
    }
    size_t pos = value.find_first_not_of(' ');
    const bool negative = pos != std::string::npos && value[pos] == '-';
    if (pos != std::string::npos && (value[pos] == '-' || value[pos] == '+')) {
        ++pos;
    }
    long long number = 0;
    size_t digits = 0;
    for (; pos < value.size() && std::isdigit(static_cast<unsigned char>(value[pos])); ++pos) {
        number = number * 10 + (value[pos] - '0');
        if (++digits > 10) {
            break;
        }
    }
    if (negative) {
        number = -number;
    }
    if (digits == 0 || digits > 10 || pos != value.size() || number < INT_MIN || number > INT_MAX) {
        throw EConvertError("'" + value + "' is not a valid integer value");
    }
    return static_cast<int>(number);
}

void SaveResourceToFile(const QString& name, const std::string& path) {
    QFile resource(ResourcePath(name));
    if (!resource.open(QIODevice::ReadOnly)) {
        throw Exception("Resource " + name.toStdString() + " not found");
    }
    const QByteArray bytes = resource.readAll();
    QFile file(Q(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw EFCreateError(path, file.errorString().toStdString());
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        throw EFCreateError(path, file.errorString().toStdString());
    }
}

void LoadPngToBitmap(const QString& name, QImage& bitmap) {
    bitmap = QImage(ResourcePath(name), "PNG");
}

void LoadPngToImage(const QString& name, QLabel* image) {
    image->setPixmap(QPixmap::fromImage(QImage(ResourcePath(name), "PNG")));
}

bool ReadLogLines(const std::string& path, std::vector<std::string>& lines) {
    QFile file(Q(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
    }
    lines.clear();
    int start = 0;
    const int size = bytes.size();
    for (int i = 0; i < size; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            continue;
        }
        lines.emplace_back(bytes.constData() + start, i - start);
        if (c == '\r' && i + 1 < size && bytes[i + 1] == '\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < size) {
        lines.emplace_back(bytes.constData() + start, size - start);
    }
    return true;
}

void OpenWithDefaultProgram(const QString& target) {
    QProcess::startDetached("xdg-open", {target});
}

}  // namespace quill
