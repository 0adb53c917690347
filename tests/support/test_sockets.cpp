#include "test_sockets.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace tavik::test {

namespace {
#ifdef _WIN32
using TRaw = SOCKET;
constexpr int NoSignal = 0;
struct TWinsock {
    TWinsock() {
        WSADATA data{};
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~TWinsock() { ::WSACleanup(); }
};
void CloseRaw(TRaw socket) { ::closesocket(socket); }
void NonBlocking(TRaw socket) {
    u_long on = 1;
    ::ioctlsocket(socket, FIONBIO, &on);
}
bool WouldBlock() { return ::WSAGetLastError() == WSAEWOULDBLOCK; }
using TLength = int;
#else
using TRaw = int;
constexpr int NoSignal = MSG_NOSIGNAL;
struct TWinsock {};
void CloseRaw(TRaw socket) { ::close(socket); }
void NonBlocking(TRaw socket) { ::fcntl(socket, F_SETFL, ::fcntl(socket, F_GETFL) | O_NONBLOCK); }
bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
using TLength = socklen_t;
#endif

TRaw Raw(TSocketHandle handle) { return static_cast<TRaw>(handle); }

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Started once for the test program: the sockets live as long as it does.
const TWinsock& Winsock() {
    static const TWinsock winsock;
    return winsock;
}
}  // namespace

TTestSocket::~TTestSocket() { Close(); }

TTestSocket::TTestSocket(TTestSocket&& other) noexcept : Ended(other.Ended), Handle_(other.Handle_) {
    other.Handle_ = -1;
}

TTestSocket& TTestSocket::operator=(TTestSocket&& other) noexcept {
    if (this != &other) {
        Close();
        Handle_ = other.Handle_;
        Ended = other.Ended;
        other.Handle_ = -1;
    }
    return *this;
}

void TTestSocket::Close() {
    if (Handle_ != -1) CloseRaw(Raw(Handle_));
    Handle_ = -1;
}

void TTestSocket::EndSending() {
#ifdef _WIN32
    ::shutdown(Raw(Handle_), SD_SEND);
#else
    ::shutdown(Raw(Handle_), SHUT_WR);
#endif
}

void TTestSocket::Abort() {
    if (Handle_ == -1) return;
    linger off{};
    off.l_onoff = 1;
    off.l_linger = 0;
    ::setsockopt(Raw(Handle_), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&off), sizeof off);
    Close();
}

TTestSocket TTestSocket::Connect(uint16_t port, int receiveBuffer) {
    (void)Winsock();
    TTestSocket socket;
    const TRaw raw = ::socket(AF_INET, SOCK_STREAM, 0);
    socket.Handle_ = static_cast<TSocketHandle>(raw);
    if (receiveBuffer > 0)
        ::setsockopt(raw, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
    // A blocking connect: loopback connections complete in the listener's
    // backlog, before it accepts them.
    const sockaddr_in address = Loopback(port);
    if (::connect(raw, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        socket.Close();
        return socket;
    }
    NonBlocking(raw);
    return socket;
}

std::pair<TTestSocket, TTestSocket> TTestSocket::Pair() {
    (void)Winsock();
    TTestSocket listener;
    const TRaw raw = ::socket(AF_INET, SOCK_STREAM, 0);
    listener.Handle_ = static_cast<TSocketHandle>(raw);
    sockaddr_in address = Loopback(0);
    TLength size = sizeof address;
    if (::bind(raw, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(raw, 1) != 0 ||
        ::getsockname(raw, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return {};
    TTestSocket client = Connect(ntohs(address.sin_port));
    TTestSocket server;
    const TRaw accepted = ::accept(raw, nullptr, nullptr);
    server.Handle_ = static_cast<TSocketHandle>(accepted);
    if (server.Handle_ != -1) NonBlocking(accepted);
    return {std::move(client), std::move(server)};
}

long long TTestSocket::Send(std::string_view bytes) {
    const auto sent = ::send(Raw(Handle_), bytes.data(), static_cast<int>(bytes.size()), NoSignal);
    if (sent >= 0) return sent;
    return WouldBlock() ? 0 : -1;
}

std::string TTestSocket::Take() {
    std::string taken;
    char buffer[16 * 1024];
    while (Handle_ != -1 && !Ended) {
        const auto got = ::recv(Raw(Handle_), buffer, sizeof buffer, 0);
        if (got > 0) {
            taken.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && WouldBlock()) break;
        Ended = true;
    }
    return taken;
}

}  // namespace tavik::test
