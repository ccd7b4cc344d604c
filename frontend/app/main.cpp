#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QTimer>

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "CommandLine.h"
#include "HeadlessRun.h"
#include "assembly/WkHtmlToXCore.h"
#include "frontend/MainUnit.h"
#include "frontend/MyUtils.h"
#include "frontend/PyUnit.h"

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

}  // namespace

int main(int argc, char** argv) {
    const quill::CommandLine cmd = quill::ParseCommandLine(argc, argv);
    if (!cmd.error.empty() || cmd.help) {
        std::fprintf(cmd.help ? stdout : stderr, "%s%s%s", cmd.error.c_str(),
                     cmd.error.empty() ? "" : "\n", quill::UsageText());
        return cmd.help ? 0 : 2;
    }
    // Past a file-size limit a write then fails and is reported like a full disk, and the
    // book's temporary file is removed, instead of the program dying in the middle.
    std::signal(SIGXFSZ, SIG_IGN);
    const bool display = HasDisplay();
    const bool headless = !cmd.download.empty();
    if (headless && !display) {
        // Both the hidden window and the HTML engine need a Qt platform without a screen.
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("quillby");
    QApplication::setApplicationDisplayName(quill::kProductTitle);
    QApplication::setDesktopFileName("quillby");
    QApplication::setWindowIcon(QIcon(quill::ResourcePath("ICONBMP")));

    quill::TMainfm Mainfm;
    int status = 0;
    if (headless) {
        status = quill::RunHeadless(Mainfm, QString::fromStdString(cmd.download), display);
    } else {
        Mainfm.linked->setText(QString::fromStdString(cmd.demoUrl));
        Mainfm.show();
        if (cmd.autostart) {
            QTimer::singleShot(300, &Mainfm, &quill::TMainfm::downloadbtnClick);
        }
        status = QApplication::exec();
    }
    if (quill::TPyThread::Running() > 0) {
        // The window was closed during a job: the downloader runs on by itself, and its
        // job runner must not call back into a window that is being destroyed.
        std::fflush(stdout);
        _exit(status);
    }
    // The engine is shut down on the thread that used it, while Qt is still up.
    quill::FinalizeWkHtmlToX();
    return status;
}
