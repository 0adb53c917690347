#include "tcp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tavik::net {

namespace {
#ifdef MSG_NOSIGNAL
constexpr int SendFlags = MSG_NOSIGNAL;
#else
constexpr int SendFlags = 0;  // SO_NOSIGPIPE on the socket instead
#endif

int Descriptor(TSocketHandle handle) { return static_cast<int>(handle); }

std::string Failure(const std::string& operation, int error) { return operation + ": " + std::strerror(error); }

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

// Non-blocking, not inherited by programs started meanwhile, no SIGPIPE.
bool Prepare(int descriptor) {
#ifdef SO_NOSIGPIPE
    const int on = 1;
    ::setsockopt(descriptor, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on);
#endif
    const int flags = ::fcntl(descriptor, F_GETFL);
    return flags != -1 && ::fcntl(descriptor, F_SETFL, flags | O_NONBLOCK) != -1 &&
           ::fcntl(descriptor, F_SETFD, FD_CLOEXEC) != -1;
}
// A peer that vanished (cable pulled, machine gone) is found by probes once
// the connection has been quiet a minute: five unanswered, ten seconds apart,
// and the next receive fails.
void KeepAlive(int descriptor) {
    const int on = 1, idle = 60, interval = 10, count = 5;
    ::setsockopt(descriptor, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
#ifdef TCP_KEEPIDLE
    ::setsockopt(descriptor, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(descriptor, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(descriptor, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
#else
    (void)idle, (void)interval, (void)count;
#endif
}
}  // namespace

TNetworking::TNetworking() = default;
TNetworking::~TNetworking() = default;

void TTcpSocket::Close() {
    if (Handle_ != -1) ::close(Descriptor(Handle_));
    Handle_ = -1;
}

bool TTcpSocket::Listen(const TListenAddress& address, std::string& error) {
    Close();
    const std::string where = ListenAddressText(address);
    const int descriptor = ::socket(AF_INET, SOCK_STREAM, 0);
    if (descriptor == -1) {
        error = Failure("socket " + where, errno);
        return false;
    }
    Handle_ = descriptor;
    // A port whose last connections are still closing (TIME_WAIT) can be
    // listened on again at once; one with a listener cannot.
    const int on = 1;
    ::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(address.Port);
    std::memcpy(&socketAddress.sin_addr, address.Octets.data(), address.Octets.size());
    if (::bind(descriptor, reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress) != 0) {
        error = Failure("bind " + where, errno);
    } else if (::listen(descriptor, SOMAXCONN) != 0) {
        error = Failure("listen " + where, errno);
    } else if (!Prepare(descriptor)) {
        error = Failure("fcntl " + where, errno);
    } else {
        return true;
    }
    Close();
    return false;
}

uint16_t TTcpSocket::LocalPort() const {
    sockaddr_in socketAddress{};
    socklen_t size = sizeof socketAddress;
    if (::getsockname(Descriptor(Handle_), reinterpret_cast<sockaddr*>(&socketAddress), &size) != 0) return 0;
    return ntohs(socketAddress.sin_port);
}

TIoStatus TTcpSocket::Accept(TTcpSocket& accepted, std::string& peer, std::string& error) {
    sockaddr_in socketAddress{};
    socklen_t size = sizeof socketAddress;
    const int descriptor = ::accept(Descriptor(Handle_), reinterpret_cast<sockaddr*>(&socketAddress), &size);
    if (descriptor == -1) {
        if (WouldBlock(errno) || errno == EINTR || errno == ECONNABORTED) return TIoStatus::WouldBlock;
        error = Failure("accept", errno);
        return TIoStatus::Failed;
    }
    accepted = TTcpSocket();
    accepted.Handle_ = descriptor;
    if (!Prepare(descriptor)) {
        error = Failure("fcntl", errno);
        accepted.Close();
        return TIoStatus::Failed;
    }
    KeepAlive(descriptor);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &socketAddress.sin_addr, text, sizeof text);
    peer = std::string(text) + ':' + std::to_string(ntohs(socketAddress.sin_port));
    return TIoStatus::Done;
}

TIoResult TTcpSocket::Receive(char* data, std::size_t size, std::string& error) {
    const ssize_t got = ::recv(Descriptor(Handle_), data, size, 0);
    if (got > 0) return {TIoStatus::Done, static_cast<std::size_t>(got)};
    if (got == 0) return {TIoStatus::Ended, 0};
    if (WouldBlock(errno) || errno == EINTR) return {TIoStatus::WouldBlock, 0};
    error = Failure("recv", errno);
    return {TIoStatus::Failed, 0};
}

TIoResult TTcpSocket::Send(const char* data, std::size_t size, std::string& error) {
    const ssize_t sent = ::send(Descriptor(Handle_), data, size, SendFlags);
    if (sent >= 0) return {TIoStatus::Done, static_cast<std::size_t>(sent)};
    if (WouldBlock(errno) || errno == EINTR) return {TIoStatus::WouldBlock, 0};
    error = Failure("send", errno);
    return {TIoStatus::Failed, 0};
}

}  // namespace tavik::net
