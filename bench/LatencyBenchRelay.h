#pragma once

// A TCP relay between the client and the database server that holds every
// chunk of data for a set time in each direction, as a WAN link does, and
// counts the round trips: each time the server answers after the client
// has sent. The machine's kernel has no traffic shaping to borrow; this
// runs in the benchmark's own process, one thread per direction and
// connection, on loopback only.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestra::bench {

class LatencyRelay {
public:
    LatencyRelay(std::string targetHost, int targetPort);
    ~LatencyRelay();
    LatencyRelay(const LatencyRelay &) = delete;
    LatencyRelay &operator=(const LatencyRelay &) = delete;

    // Listens on a free loopback port; false when it cannot.
    bool start();
    int port() const { return port_; }
    // The round-trip time the link adds: half of it in each direction.
    void setRoundTripMs(double ms) { oneWayUs_ = static_cast<long long>(ms * 500.0); }
    long long roundTrips() const { return roundTrips_.load(); }

private:
    struct Link;
    void acceptLoop();
    void pump(const std::shared_ptr<Link> &link, bool towardServer);

    std::string host_;
    int targetPort_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<long long> oneWayUs_{0};
    std::atomic<long long> roundTrips_{0};
    std::atomic<bool> stopping_{false};
    std::mutex threadsMutex_;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
};

} // namespace kestra::bench
