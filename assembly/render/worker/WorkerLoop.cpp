#include "WorkerLoop.h"

#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "page/PageRender.h"
#include "page/RenderProtocol.h"
#include "wkhtmltox/WkHtmlToXCore.h"

namespace quill::worker {

namespace {

bool Reply(int out, const std::vector<std::string>& words) {
    const std::string line = render::EncodeLine(words);
    std::string_view rest = line;
    while (!rest.empty()) {
        const ssize_t n = ::write(out, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        rest.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The next line from `in` (without its line feed); nothing at its end.
std::optional<std::string> NextLine(int in, std::string& buffer) {
    for (;;) {
        const size_t end = buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            return line;
        }
        char chunk[4096];
        const ssize_t got = ::read(in, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return std::nullopt;
        }
        buffer.append(chunk, static_cast<size_t>(got));
    }
}

// The reply to one request. Which failure it names decides whether the book builder leaves
// out only this page or stops the build.
std::vector<std::string> Handle(const render::Request& request) {
    try {
        RenderInProcess(request);
        return {"done"};
    } catch (const EPageInputError& e) {
        return {"failed", std::string(render::failure::Input), e.what()};
    } catch (const EFCreateError& e) {
        return {"failed", std::string(render::failure::Output), e.what()};
    } catch (const EWriteError& e) {
        return {"failed", std::string(render::failure::Output), e.what()};
    } catch (const EWkHtmlConvertError& e) {
        return {"failed", std::string(render::failure::Convert), e.what()};
    } catch (const EWkHtmlToXError& e) {
        return {"failed", std::string(render::failure::Engine), e.what()};
    } catch (const std::exception& e) {
        return {"failed", std::string(render::failure::Convert), e.what()};
    }
}

}  // namespace

int Serve(int in, int out) {
    std::string version;
    try {
        version = GetWkHtmlToPdf()->GetVersion();
    } catch (const std::exception& e) {
        Reply(out, {"failed", std::string(render::failure::Engine), e.what()});
        return 1;
    }
    if (!Reply(out, {"ready", version})) {
        return 1;
    }
    std::string buffer;
    while (const std::optional<std::string> line = NextLine(in, buffer)) {
        const std::optional<render::Request> request = render::DecodeRequest(*line);
        const std::vector<std::string> reply =
            request ? Handle(*request)
                    : std::vector<std::string>{"failed", std::string(render::failure::Input),
                                               "unreadable request"};
        if (!Reply(out, reply)) {
            break;
        }
    }
    FinalizeWkHtmlToX();
    return 0;
}

}  // namespace quill::worker
