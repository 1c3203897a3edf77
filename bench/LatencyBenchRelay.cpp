#include "LatencyBenchRelay.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <deque>

namespace kestra::bench {

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
    Clock::time_point due;
    std::string bytes;
};

bool writeAll(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void noDelay(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

} // namespace

// One client connection and its connection to the server; the last of the
// two pumps to finish closes both.
struct LatencyRelay::Link {
    int client = -1;
    int server = -1;
    std::atomic<int> lastSent{0}; // 1: the client spoke last, 2: the server
    std::atomic<int> pumps{2};
    ~Link()
    {
        if (client >= 0)
            ::close(client);
        if (server >= 0)
            ::close(server);
    }
};

LatencyRelay::LatencyRelay(std::string targetHost, int targetPort)
    : host_(std::move(targetHost)), targetPort_(targetPort)
{}

LatencyRelay::~LatencyRelay()
{
    stopping_ = true;
    if (acceptor_.joinable())
        acceptor_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(threadsMutex_);
        threads.swap(threads_);
    }
    for (std::thread &t : threads)
        t.join();
    if (listener_ >= 0)
        ::close(listener_);
}

bool LatencyRelay::start()
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listener_ < 0)
        return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(listener_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
        return false;
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
    return true;
}

void LatencyRelay::acceptLoop()
{
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0)
            continue;
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *found = nullptr;
        const std::string port = std::to_string(targetPort_);
        int server = -1;
        if (::getaddrinfo(host_.c_str(), port.c_str(), &hints, &found) == 0) {
            server = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
            if (server >= 0 && ::connect(server, found->ai_addr, found->ai_addrlen) != 0) {
                ::close(server);
                server = -1;
            }
            ::freeaddrinfo(found);
        }
        if (server < 0) {
            ::close(client);
            continue;
        }
        noDelay(client);
        noDelay(server);
        auto link = std::make_shared<Link>();
        link->client = client;
        link->server = server;
        std::lock_guard lock(threadsMutex_);
        threads_.emplace_back([this, link] { pump(link, true); });
        threads_.emplace_back([this, link] { pump(link, false); });
    }
}

// Reads what one side sends and hands it to the other side once it has
// been held for the one-way delay; order is kept, as on a link.
void LatencyRelay::pump(const std::shared_ptr<Link> &link, bool towardServer)
{
    const int from = towardServer ? link->client : link->server;
    const int to = towardServer ? link->server : link->client;
    std::deque<Chunk> held;
    bool open = true;
    char buffer[65536];
    while (!stopping_ && (open || !held.empty())) {
        int timeout = 100;
        if (!held.empty()) {
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(held.front().due - Clock::now()).count();
            timeout = static_cast<int>(std::max<long long>(0, std::min<long long>(wait, 100)));
        }
        pollfd p{from, static_cast<short>(open ? POLLIN : 0), 0};
        const int ready = ::poll(&p, 1, timeout);
        if (ready > 0 && open) {
            const ssize_t n = ::recv(from, buffer, sizeof buffer, 0);
            if (n <= 0) {
                open = false;
            } else {
                if (towardServer)
                    link->lastSent = 1;
                else if (link->lastSent.exchange(2) == 1)
                    ++roundTrips_;
                held.push_back(
                    {Clock::now() + std::chrono::microseconds(oneWayUs_.load()), std::string(buffer, size_t(n))});
            }
        }
        while (!held.empty() && held.front().due <= Clock::now()) {
            if (!writeAll(to, held.front().bytes)) {
                held.clear();
                open = false;
                break;
            }
            held.pop_front();
        }
    }
    ::shutdown(to, SHUT_WR);
    // The other direction stops when its side closes.
    if (--link->pumps == 0)
        return;
}

} // namespace kestra::bench
