#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>

#include "tcp_socket.h"

#include <windows.h>

#include <climits>
#include <cstring>

#include "common/utf8_text.h"

namespace tavik::net {

namespace {
SOCKET Socket(TSocketHandle handle) { return static_cast<SOCKET>(handle); }

// Words for the codes a server meets, where the system has none for them
// (Wine's FormatMessage knows no Winsock codes).
const char* KnownMessage(int code) {
    switch (code) {
        case WSAEADDRINUSE: return "Address already in use";
        case WSAEADDRNOTAVAIL: return "Address not available";
        case WSAEACCES: return "Permission denied";
        case WSAECONNRESET: return "Connection reset by peer";
        case WSAECONNABORTED: return "Connection aborted";
        case WSAENETDOWN: return "Network is down";
        case WSAEMFILE: return "Too many open sockets";
        case WSAENOBUFS: return "No buffer space available";
        default: return "system error";
    }
}

// FormatMessage's words for a Winsock error code, and the code.
std::string SystemMessage(int code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring message(text ? text : L"", text ? length : 0);
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ' ||
                                message.back() == L'.'))
        message.pop_back();
    return (message.empty() ? std::string(KnownMessage(code)) : Utf8Of(std::wstring_view(message))) + " (error " +
           std::to_string(code) + ")";
}

std::string Failure(const std::string& operation, int code) { return operation + ": " + SystemMessage(code); }

bool NonBlocking(SOCKET socket) {
    u_long on = 1;
    return ::ioctlsocket(socket, FIONBIO, &on) == 0;
}

// A peer that vanished is found by probes once the connection has been quiet
// a minute, ten seconds apart (Windows sends ten before it gives up).
void KeepAlive(SOCKET socket) {
    tcp_keepalive settings{};
    settings.onoff = 1;
    settings.keepalivetime = 60000;
    settings.keepaliveinterval = 10000;
    DWORD returned = 0;
    ::WSAIoctl(socket, SIO_KEEPALIVE_VALS, &settings, sizeof settings, nullptr, 0, &returned, nullptr, nullptr);
}

// send and recv take an int: a larger buffer goes in pieces.
int Clamp(std::size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }
}  // namespace

TNetworking::TNetworking() {
    WSADATA data{};
    if (const int code = ::WSAStartup(MAKEWORD(2, 2), &data)) Error_ = Failure("WSAStartup", code);
}

TNetworking::~TNetworking() {
    if (Error_.empty()) ::WSACleanup();
}

void TTcpSocket::Close() {
    if (Handle_ != -1) ::closesocket(Socket(Handle_));
    Handle_ = -1;
}

bool TTcpSocket::Listen(const TListenAddress& address, std::string& error) {
    Close();
    const std::string where = ListenAddressText(address);
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) {
        error = Failure("socket " + where, ::WSAGetLastError());
        return false;
    }
    Handle_ = static_cast<TSocketHandle>(socket);
    // Windows' SO_REUSEADDR would let a second listener take the port over:
    // the port is this listener's alone.
    const BOOL on = TRUE;
    ::setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(address.Port);
    std::memcpy(&socketAddress.sin_addr, address.Octets.data(), address.Octets.size());
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress) != 0) {
        error = Failure("bind " + where, ::WSAGetLastError());
    } else if (::listen(socket, SOMAXCONN) != 0) {
        error = Failure("listen " + where, ::WSAGetLastError());
    } else if (!NonBlocking(socket)) {
        error = Failure("ioctlsocket " + where, ::WSAGetLastError());
    } else {
        return true;
    }
    Close();
    return false;
}

uint16_t TTcpSocket::LocalPort() const {
    sockaddr_in socketAddress{};
    int size = sizeof socketAddress;
    if (::getsockname(Socket(Handle_), reinterpret_cast<sockaddr*>(&socketAddress), &size) != 0) return 0;
    return ntohs(socketAddress.sin_port);
}

TIoStatus TTcpSocket::Accept(TTcpSocket& accepted, std::string& peer, std::string& error) {
    sockaddr_in socketAddress{};
    int size = sizeof socketAddress;
    const SOCKET socket = ::accept(Socket(Handle_), reinterpret_cast<sockaddr*>(&socketAddress), &size);
    if (socket == INVALID_SOCKET) {
        const int code = ::WSAGetLastError();
        if (code == WSAEWOULDBLOCK || code == WSAECONNRESET) return TIoStatus::WouldBlock;
        error = Failure("accept", code);
        return TIoStatus::Failed;
    }
    accepted = TTcpSocket();
    accepted.Handle_ = static_cast<TSocketHandle>(socket);
    if (!NonBlocking(socket)) {
        error = Failure("ioctlsocket", ::WSAGetLastError());
        accepted.Close();
        return TIoStatus::Failed;
    }
    KeepAlive(socket);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &socketAddress.sin_addr, text, sizeof text);
    peer = std::string(text) + ':' + std::to_string(ntohs(socketAddress.sin_port));
    return TIoStatus::Done;
}

TIoResult TTcpSocket::Receive(char* data, std::size_t size, std::string& error) {
    const int got = ::recv(Socket(Handle_), data, Clamp(size), 0);
    if (got > 0) return {TIoStatus::Done, static_cast<std::size_t>(got)};
    if (got == 0) return {TIoStatus::Ended, 0};
    const int code = ::WSAGetLastError();
    if (code == WSAEWOULDBLOCK) return {TIoStatus::WouldBlock, 0};
    error = Failure("recv", code);
    return {TIoStatus::Failed, 0};
}

TIoResult TTcpSocket::Send(const char* data, std::size_t size, std::string& error) {
    const int sent = ::send(Socket(Handle_), data, Clamp(size), 0);
    if (sent >= 0) return {TIoStatus::Done, static_cast<std::size_t>(sent)};
    const int code = ::WSAGetLastError();
    if (code == WSAEWOULDBLOCK) return {TIoStatus::WouldBlock, 0};
    error = Failure("send", code);
    return {TIoStatus::Failed, 0};
}

}  // namespace tavik::net
