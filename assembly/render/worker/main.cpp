// quillrender [--library FILE]
//
// The book builder's render worker. It keeps the HTML engine loaded and renders the pages the
// builder sends over standard input, one request line at a time, answering each on standard
// output (page/RenderProtocol.h). The builder bounds every page and stops this process
// when one takes too long; this program only renders. It runs cut off from the network, so
// that no page can make the engine fetch anything, and always off screen.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "NetworkIsolation.h"
#include "WorkerLoop.h"
#include "common/DebugLog.h"
#include "wkhtmltox/WkHtmlToXBindings.h"

namespace {

// Replies go through a descriptor of their own: whatever the engine or Qt prints on
// standard output must not end up in the middle of the protocol.
int TakeStandardOutput() {
    const int replies = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    return replies;
}

}  // namespace

int main(int argc, char** argv) {
    // First of all: a process can leave its network only while it has a single thread.
    if (!quill::worker::LeaveTheNetwork()) {
        quill::DebugLog("quillrender: no network namespace of its own: " +
                        std::string(std::strerror(errno)));
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--library") == 0) {
            quill::wk::SetWkHtmlToXLibraryName(argv[i + 1]);
        }
    }
    // Past a file-size limit a write is to fail like one on a full disk, which stops the
    // build with a clear message, rather than kill this process, which would pass for a
    // page that crashed the engine.
    std::signal(SIGXFSZ, SIG_IGN);
    // The engine's Qt draws into memory; no display is needed or used.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int replies = TakeStandardOutput();
    if (replies < 0) {
        return 1;
    }
    return quill::worker::Serve(STDIN_FILENO, replies);
}
