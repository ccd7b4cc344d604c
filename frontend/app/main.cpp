// quillby: the desktop window, or with --download, --update-all or --list the same jobs
// without any window.
#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CommandLine.h"
#include "HeadlessRun.h"
#include "core/Folders.h"
#include "core/Job.h"
#include "frontend/MainUnit.h"
#include "frontend/MyUtils.h"

namespace {

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

int RunWindow(char** argv, const quill::CommandLine& cmd) {
    // Our options were read already; Qt gets none of them, so none can mean something else
    // to it. Qt's own settings come from its environment variables (QT_QPA_PLATFORM, ...).
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName("quillby");
    QApplication::setOrganizationName("Inkvale");
    QApplication::setApplicationDisplayName(quill::kProductTitle);
    QApplication::setDesktopFileName("quillby");
    QApplication::setWindowIcon(QIcon(quill::ResourcePath("ICONBMP")));

    quill::TMainfm Mainfm;
    Mainfm.linked->setText(QString::fromStdString(cmd.demoUrl));
    Mainfm.show();
    if (cmd.autostart) {
        QTimer::singleShot(300, &Mainfm, &quill::TMainfm::downloadbtnClick);
    }
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    const quill::CommandLine cmd = quill::ParseCommandLine(argc, argv);
    if (!cmd.error.empty()) {
        std::fprintf(stderr, "quillby: %s\n%s", cmd.error.c_str(), quill::UsageText().c_str());
        return 2;
    }
    if (cmd.help) {
        std::fputs(quill::UsageText().c_str(), stdout);
        return 0;
    }
    if (cmd.version) {
        std::fputs(quill::VersionText().c_str(), stdout);
        return 0;
    }
    // Past a file-size limit a write then fails and is reported like a full disk, and the
    // book's temporary file is removed, instead of the program dying in the middle.
    std::signal(SIGXFSZ, SIG_IGN);
    if (cmd.download || cmd.updateAll || cmd.list) {
        // No window system is needed: the book is rendered by a helper process that
        // chooses its own.
        return quill::RunHeadless(cmd, quill::HelperFolder(), HasDisplay());
    }
    return RunWindow(argv, cmd);
}
