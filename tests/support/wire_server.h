// A tiny HTTP server on 127.0.0.1 in a thread of the test, for checking what
// Fetch sends and how it takes odd responses. Each accepted connection gets
// the next canned response (the last one repeats); the request head of every
// connection is recorded.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct CannedResponse
{
    std::string bytes;
    // Bytes sent before the server closes (all when npos).
    std::size_t closeAfter = std::string::npos;
    // Pause before the first byte and between bytes; a byte delay sends one
    // byte at a time.
    int firstByteDelayMs = 0;
    int byteDelayMs = 0;
    // Keep the connection open after sending, without sending more, until the
    // server stops (or the client closes).
    bool stallAfter = false;
    // Reset the connection (RST) after sending instead of closing it.
    bool resetAfter = false;
};

class WireServer
{
public:
    explicit WireServer(std::vector<CannedResponse> responses, int connectDelayMs = 0)
        : m_responses(std::move(responses)), m_connectDelayMs(connectDelayMs)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(m_listen, m_connectDelayMs > 0 ? 0 : 8) != 0)
            Fail("wire server: listen on 127.0.0.1");
        socklen_t length = sizeof addr;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &length);
        m_port = ntohs(addr.sin_port);
        if (m_connectDelayMs > 0)
        {
            // The filler takes the only place in the backlog, so the
            // client's connect waits.
            m_filler = ::socket(AF_INET, SOCK_STREAM, 0);
            if (::connect(m_filler, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
                Fail("wire server: fill the backlog");
        }
        m_thread = std::thread([this] { Serve(); });
    }

    ~WireServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
        if (m_filler >= 0)
            ::close(m_filler);
    }

    WireServer(const WireServer&) = delete;
    WireServer& operator=(const WireServer&) = delete;

    std::string Host() const { return "127.0.0.1:" + std::to_string(m_port); }
    int Port() const { return m_port; }

    std::vector<std::string> Requests() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

    // A port on 127.0.0.1 where nothing listens (bound, then released).
    static int UnusedPort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            Fail("wire server: bind a port");
        socklen_t length = sizeof addr;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
        ::close(fd);
        return ntohs(addr.sin_port);
    }

private:
    // A server that could not set itself up would let a test pass or fail
    // for the wrong reason, so the test process ends at once.
    [[noreturn]] static void Fail(const char* what)
    {
        std::perror(what);
        std::abort();
    }

    bool WaitReadable(int fd, int ms) const
    {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, ms) > 0;
    }

    // Sleeps in small steps so that a stopping server does not wait long.
    bool Pause(int ms) const
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < until)
        {
            if (m_stop)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 10)));
        }
        return true;
    }

    void Serve()
    {
        if (m_connectDelayMs > 0 && Pause(m_connectDelayMs))
            ::close(::accept(m_listen, nullptr, nullptr));
        std::size_t served = 0;
        while (!m_stop)
        {
            if (!WaitReadable(m_listen, 50))
                continue;
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0)
                continue;
            const CannedResponse& response = m_responses[std::min(served, m_responses.size() - 1)];
            ++served;
            Answer(fd, response);
            ::close(fd);
        }
    }

    void Answer(int fd, const CannedResponse& response)
    {
        std::string head;
        char buffer[4096];
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (head.find("\r\n\r\n") == std::string::npos && !m_stop &&
               std::chrono::steady_clock::now() < deadline)
        {
            if (!WaitReadable(fd, 50))
                continue;
            const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
            if (count <= 0)
                break;
            head.append(buffer, static_cast<std::size_t>(count));
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(head);
        }

        const std::size_t total = std::min(response.bytes.size(), response.closeAfter);
        if (response.firstByteDelayMs > 0 && !Pause(response.firstByteDelayMs))
            return;
        if (response.byteDelayMs > 0)
        {
            for (std::size_t i = 0; i < total; ++i)
            {
                if (::send(fd, &response.bytes[i], 1, MSG_NOSIGNAL) != 1 ||
                    !Pause(response.byteDelayMs))
                    return;
            }
        }
        else
        {
            std::size_t sent = 0;
            while (sent < total)
            {
                const ssize_t count =
                    ::send(fd, response.bytes.data() + sent, total - sent, MSG_NOSIGNAL);
                if (count <= 0)
                    return;
                sent += static_cast<std::size_t>(count);
            }
        }
        if (response.resetAfter)
        {
            // A linger time of 0 makes the close send RST.
            const linger reset{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            return;
        }
        if (response.stallAfter)
        {
            // Until the client gives up and closes, or the server stops.
            while (!m_stop)
            {
                if (WaitReadable(fd, 50) && ::recv(fd, buffer, sizeof buffer, 0) <= 0)
                    break;
            }
        }
        ::shutdown(fd, SHUT_WR);
    }

    std::vector<CannedResponse> m_responses;
    int m_connectDelayMs = 0;
    int m_listen = -1;
    int m_filler = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
};
