#include "tcp_listener.h"

namespace tavik::net {

namespace {
// Connections taken in one turn; more come in the next.
constexpr int AcceptsPerTurn = 16;
}  // namespace

TTcpListener::TTcpListener(TEventLoop& loop, TAccepted accepted, int acceptRetryMs)
    : Loop_(loop), Accepted_(std::move(accepted)), AcceptRetryMs_(acceptRetryMs) {}

TTcpListener::~TTcpListener() { Close(); }

bool TTcpListener::Listen(const TListenAddress& address, std::string& error) {
    Close();
    if (!Socket_.Listen(address, error)) return false;
    Watch_ = Loop_.WatchSocket(Socket_.Handle(), [this] { AcceptWaiting(); }, nullptr);
    if (!Watch_) {
        error = "listen " + ListenAddressText(address) + ": this event loop cannot watch sockets";
        Socket_.Close();
        return false;
    }
    Retry_ = Loop_.MakeTimer(AcceptRetryMs_, [this] {
        Retry_->Stop();
        Watch_->WantReadable(true);
    });
    return true;
}

uint16_t TTcpListener::Port() const { return Socket_.IsOpen() ? Socket_.LocalPort() : 0; }

void TTcpListener::Close() {
    Retry_.reset();
    Watch_.reset();
    Socket_.Close();
}

void TTcpListener::AcceptWaiting() {
    for (int turn = 0; turn < AcceptsPerTurn && Socket_.IsOpen(); ++turn) {
        TTcpSocket accepted;
        std::string peer;
        std::string error;
        const TIoStatus status = Socket_.Accept(accepted, peer, error);
        if (status == TIoStatus::WouldBlock) return;
        if (status != TIoStatus::Done) {
            if (OnNotice) OnNotice(error + "; accepting again in " + std::to_string(AcceptRetryMs_) + " ms");
            Watch_->WantReadable(false);
            Retry_->Start();
            return;
        }
        Accepted_(std::move(accepted), std::move(peer));
    }
}

}  // namespace tavik::net
