#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tavik::test {

// An rtl_tcp server on 127.0.0.1 for the tests: greets each client, records its commands and
// streams the given IQ bytes in a loop, or what a synthesiser makes for the frequency last
// commanded. Garbage greets with an HTTP line instead; Stall greets and then sends nothing;
// Close greets, takes the commands and closes; Trickle greets and then sends one byte every
// 200 ms. Stop and Start again (on the same port) stand for a server that restarts.
class CRtlTcpServer {
public:
    enum class EMode { Serve, Garbage, Stall, Close, Trickle };
    using Command = std::pair<std::uint8_t, std::uint32_t>;

    // `bytesPerSecond`: the pace of the stream (2 per IQ sample); 0 as fast as taken.
    CRtlTcpServer(std::vector<std::uint8_t> iq, double bytesPerSecond, EMode mode = EMode::Serve)
        : m_iq(std::move(iq)), m_fBytesPerSecond(bytesPerSecond), m_mode(mode) {
        Start();
    }
    // Fills `size` bytes of IQ as received at `centre` Hz; called on the server's thread.
    using Synthesiser =
        std::function<void(std::uint32_t centre, std::uint8_t* iq, std::size_t size)>;
    CRtlTcpServer(Synthesiser synthesiser, double bytesPerSecond)
        : m_iq(65536),
          m_fBytesPerSecond(bytesPerSecond),
          m_mode(EMode::Serve),
          m_synthesise(std::move(synthesiser)) {
        Start();
    }
    ~CRtlTcpServer() { Stop(); }

    std::uint16_t Port() const { return m_nPort; }
    std::string ReceiverName() const { return "rtltcp:127.0.0.1:" + std::to_string(m_nPort); }
    int Connections() const { return m_nConnections.load(); }
    std::vector<Command> Commands() const {
        const std::lock_guard lock(m_mutex);
        return m_commands;
    }

    void Start() {
        m_nListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(m_nListener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(m_nPort);
        if (::bind(m_nListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_nListener, 4) != 0) {
            ::close(m_nListener);
            m_nListener = -1;
            return;
        }
        socklen_t length = sizeof address;
        ::getsockname(m_nListener, reinterpret_cast<sockaddr*>(&address), &length);
        m_nPort = ntohs(address.sin_port);
        m_bRunning.store(true);
        m_thread = std::thread([this] { Run(); });
    }

    void Stop() {
        m_bRunning.store(false);
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_nListener >= 0) {
            ::close(m_nListener);
            m_nListener = -1;
        }
    }

private:
    bool Ready(int socket, short events, int milliseconds = 50) const {
        pollfd descriptor{socket, events, 0};
        return ::poll(&descriptor, 1, milliseconds) > 0;
    }

    void Run() {
        while (m_bRunning.load()) {
            if (!Ready(m_nListener, POLLIN)) {
                continue;
            }
            const int client = ::accept4(m_nListener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                continue;
            }
            ++m_nConnections;
            Serve(client);
            ::close(client);
        }
    }

    void Serve(int client) {
        static constexpr std::array<std::uint8_t, 12> kGreeting = {'R', 'T', 'L', '0', 0, 0,
                                                                   0,   5,   0,   0,   0, 29};
        const std::string garbage = "HTTP/1.1 400 Bad Request\r\n\r\n";
        if (m_mode == EMode::Garbage) {
            ::send(client, garbage.data(), garbage.size(), MSG_NOSIGNAL);
        } else {
            ::send(client, kGreeting.data(), kGreeting.size(), MSG_NOSIGNAL);
        }
        std::array<std::uint8_t, 5> command{};
        std::size_t have = 0;
        std::size_t offset = 0;
        double sentTotal = 0.0;
        std::uint32_t centre = 0;
        std::vector<std::uint8_t> synthesised(m_iq.size());
        std::size_t made = 0;  // bytes of the synthesised chunk, and of them sent
        std::size_t taken = 0;
        const auto begin = std::chrono::steady_clock::now();
        auto trickled = begin;
        while (m_bRunning.load()) {
            const auto now = std::chrono::steady_clock::now();
            if (m_mode == EMode::Close && now - begin > std::chrono::milliseconds(100)) {
                return;  // every command read: the client sees an orderly close
            }
            if (m_mode == EMode::Trickle && now - trickled >= std::chrono::milliseconds(200)) {
                trickled = now;
                ::send(client, m_iq.empty() ? kGreeting.data() : m_iq.data(), 1, MSG_NOSIGNAL);
            }
            // While streaming, commands are only looked for: a wait here would cap the rate.
            const bool streaming = m_mode == EMode::Serve && !m_iq.empty();
            if (Ready(client, POLLIN, streaming ? 0 : 50)) {
                const ssize_t n = ::recv(client, command.data() + have, command.size() - have, 0);
                if (n <= 0) {
                    return;  // the client went
                }
                have += static_cast<std::size_t>(n);
                if (have == command.size()) {
                    const std::uint32_t parameter = static_cast<std::uint32_t>(command[1]) << 24 |
                                                    command[2] << 16 | command[3] << 8 | command[4];
                    const std::lock_guard lock(m_mutex);
                    m_commands.emplace_back(command[0], parameter);
                    centre = command[0] == 0x01 ? parameter : centre;
                    have = 0;
                }
            }
            if (m_mode != EMode::Serve || m_iq.empty() || !Ready(client, POLLOUT)) {
                continue;
            }
            std::size_t size = std::min<std::size_t>(65536, m_iq.size() - offset);
            if (m_fBytesPerSecond > 0.0) {
                const std::chrono::duration<double> elapsed =
                    std::chrono::steady_clock::now() - begin;
                const double due = elapsed.count() * m_fBytesPerSecond - sentTotal;
                if (due < 2.0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    continue;
                }
                size = std::min(size, static_cast<std::size_t>(due) & ~std::size_t{1});
            }
            const std::uint8_t* data = m_iq.data() + offset;
            if (m_synthesise) {
                // A chunk goes out whole before the next is made, so I and Q stay paired.
                if (made == taken) {
                    m_synthesise(centre, synthesised.data(), size);
                    made = size;
                    taken = 0;
                }
                data = synthesised.data() + taken;
                size = std::min(size, made - taken);
            }
            const ssize_t sent = ::send(client, data, size, MSG_NOSIGNAL);
            if (sent < 0) {
                return;
            }
            offset = (offset + static_cast<std::size_t>(sent)) % m_iq.size();
            taken += static_cast<std::size_t>(sent);
            sentTotal += static_cast<double>(sent);
        }
    }

    const std::vector<std::uint8_t> m_iq;
    const double m_fBytesPerSecond;
    const EMode m_mode;
    const Synthesiser m_synthesise;
    std::uint16_t m_nPort = 0;
    int m_nListener = -1;
    std::thread m_thread;
    std::atomic<bool> m_bRunning{false};
    std::atomic<int> m_nConnections{0};
    mutable std::mutex m_mutex;
    std::vector<Command> m_commands;
};

}  // namespace tavik::test
