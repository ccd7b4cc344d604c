#include "support/HttpClient.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "support/UniqueFd.h"

namespace quill::test {
namespace {

using Clock = std::chrono::steady_clock;

struct AddrInfoDeleter {
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};

class Connection {
  public:
    Connection(const std::string& host, int port, Clock::time_point deadline)
        : deadline_(deadline) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* raw = nullptr;
        if (int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &raw)) {
            throw std::runtime_error("cannot resolve " + host + ": " + gai_strerror(rc));
        }
        std::unique_ptr<addrinfo, AddrInfoDeleter> info(raw);
        socket_.reset(socket(info->ai_family, info->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                             info->ai_protocol));
        if (!socket_) {
            Fail("socket");
        }
        if (connect(socket_.get(), info->ai_addr, info->ai_addrlen) != 0 && errno != EINPROGRESS) {
            Fail("connect to " + host + ":" + std::to_string(port));
        }
        Await(POLLOUT);
        int error = 0;
        socklen_t size = sizeof error;
        getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0) {
            errno = error;
            Fail("connect to " + host + ":" + std::to_string(port));
        }
    }

    void SendAll(const std::string& data) {
        size_t sent = 0;
        while (sent < data.size()) {
            Await(POLLOUT);
            ssize_t n = send(socket_.get(), data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                Fail("send");
            }
            sent += n > 0 ? static_cast<size_t>(n) : 0;
        }
    }

    std::string ReceiveAll() {
        std::string data;
        char buffer[65536];
        while (true) {
            Await(POLLIN);
            ssize_t n = recv(socket_.get(), buffer, sizeof buffer, 0);
            if (n == 0) {
                return data;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                Fail("recv");
            }
            data.append(buffer, n > 0 ? static_cast<size_t>(n) : 0);
        }
    }

  private:
    void Await(short events) {
        while (true) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
            if (left.count() <= 0) {
                throw std::runtime_error("HTTP request timed out");
            }
            pollfd fd{socket_.get(), events, 0};
            int rc = poll(&fd, 1, static_cast<int>(left.count()));
            if (rc > 0) {
                return;
            }
            if (rc < 0 && errno != EINTR) {
                Fail("poll");
            }
        }
    }

    [[noreturn]] static void Fail(const std::string& what) {
        throw std::runtime_error(what + ": " + std::strerror(errno));
    }

    UniqueFd socket_;
    Clock::time_point deadline_;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

HttpResponse Parse(const std::string& raw) {
    size_t headEnd = raw.find("\r\n\r\n");
    if (raw.compare(0, 5, "HTTP/") != 0 || headEnd == std::string::npos) {
        throw std::runtime_error("malformed HTTP response: " + raw.substr(0, 80));
    }
    HttpResponse response;
    size_t space = raw.find(' ');
    response.status = std::atoi(raw.c_str() + space + 1);
    size_t lineStart = raw.find("\r\n") + 2;
    while (lineStart < headEnd) {
        size_t lineEnd = raw.find("\r\n", lineStart);
        std::string line = raw.substr(lineStart, lineEnd - lineStart);
        size_t colon = line.find(':');
        if (colon != std::string::npos) {
            response.headers[Lower(line.substr(0, colon))] = Trim(line.substr(colon + 1));
        }
        lineStart = lineEnd + 2;
    }
    response.body = raw.substr(headEnd + 4);
    return response;
}

}  // namespace

std::string HttpResponse::header(const std::string& lowerCaseName) const {
    auto it = headers.find(lowerCaseName);
    return it == headers.end() ? "" : it->second;
}

HttpResponse HttpGet(const std::string& host, int port, const std::string& target,
                     std::chrono::milliseconds timeout) {
    Connection connection(host, port, Clock::now() + timeout);
    connection.SendAll("GET " + target + " HTTP/1.0\r\nHost: " + host + ":" + std::to_string(port) +
                       "\r\nUser-Agent: quillby-tests\r\n\r\n");
    return Parse(connection.ReceiveAll());
}

}  // namespace quill::test
