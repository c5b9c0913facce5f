#include "tests/support/tcp_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace test_support {

namespace {

sockaddr_in loopback(unsigned port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

int connect_to(unsigned port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopback(port);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

// Copies what is there from one side to the other; false when the side has ended.
bool pass(int from, int to) {
    char buffer[16384];
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n <= 0) return false;
    for (ssize_t done = 0; done < n;) {
        const ssize_t w = ::write(to, buffer + done, static_cast<size_t>(n - done));
        if (w <= 0) return false;
        done += w;
    }
    return true;
}

}  // namespace

tcp_relay::tcp_relay(unsigned target_port, std::chrono::milliseconds give_up)
    : target_port_(target_port), give_up_(give_up) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = loopback(0);
    socklen_t length = sizeof a;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener_, 16) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length) != 0 ||
        ::pipe2(wake_pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("tcp_relay: cannot listen");
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
}

tcp_relay::~tcp_relay() {
    ending_ = true;
    wake();
    thread_.join();
    for (int fd : {listener_, wake_pipe_[0], wake_pipe_[1]})
        if (fd >= 0) ::close(fd);
}

void tcp_relay::wake() {
    const char c = 0;
    (void)!::write(wake_pipe_[1], &c, 1);
}

void tcp_relay::hold() {
    held_until_ = (clock::now() + give_up_).time_since_epoch().count();
    held_ = true;
    wake();
}

void tcp_relay::go_on() {
    held_ = false;
    wake();
}

void tcp_relay::drop() {
    dropping_ = true;
    wake();
}

void tcp_relay::run() {
    const auto close_link = [](link& l) {
        for (int fd : {l.client, l.server})
            if (fd >= 0) ::close(fd);
        l.client = l.server = -1;
    };
    while (!ending_) {
        const clock::time_point now = clock::now();
        if (held_ && now.time_since_epoch().count() >= held_until_) held_ = false;
        const bool dropping = dropping_.exchange(false);
        for (link& l : links_)
            if (dropping || (l.server < 0 && now - l.accepted >= give_up_)) close_link(l);
        std::erase_if(links_, [](const link& l) { return l.client < 0; });
        std::vector<pollfd> fds{{listener_, POLLIN, 0}, {wake_pipe_[0], POLLIN, 0}};
        const bool relaying = !held_;
        if (relaying)
            for (const link& l : links_) {
                fds.push_back({l.client, POLLIN, 0});
                if (l.server >= 0) fds.push_back({l.server, POLLIN, 0});
            }
        if (::poll(fds.data(), fds.size(), 100) <= 0) continue;
        if (fds[1].revents) {
            char drain[64];
            while (::read(wake_pipe_[0], drain, sizeof drain) > 0) {
            }
        }
        if (fds[0].revents & POLLIN) {
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                links_.push_back({client, target_port_ ? connect_to(target_port_) : -1, clock::now()});
                ++accepted_;
            }
        }
        if (!relaying) continue;
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            for (link& l : links_) {
                if (l.client < 0) continue;
                const bool from_client = fds[i].fd == l.client;
                if (!from_client && fds[i].fd != l.server) continue;
                bool ok;
                if (from_client && l.server < 0) {
                    // Nothing behind the relay: what the client sends is read, never answered.
                    char discarded[4096];
                    ok = ::read(l.client, discarded, sizeof discarded) > 0;
                } else {
                    ok = from_client ? pass(l.client, l.server) : pass(l.server, l.client);
                }
                if (!ok) close_link(l);
                break;
            }
        }
    }
    for (link& l : links_) close_link(l);
}

}  // namespace test_support
