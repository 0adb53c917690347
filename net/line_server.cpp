#include "line_server.h"

#include <algorithm>

#include "line_framer.h"

namespace tavik::net {

namespace {
// How much one client's turn reads before the others get theirs: a client
// that floods the server waits for its next turn like everyone else.
constexpr std::size_t ReadPerTurn = 64 * 1024;
constexpr std::size_t ReadChunk = 16 * 1024;
// Connections taken from the listener in one turn; more come in the next.
constexpr int AcceptsPerTurn = 16;
// Sent output is cut off the buffer once this much has gone.
constexpr std::size_t CompactAfter = 64 * 1024;
}  // namespace

// The socket is declared first and closes last, after the watch on it.
struct TLineServer::TClient {
    TClient(TTcpSocket socket, std::string peer, std::unique_ptr<TLineService> service, std::size_t maxLineBytes)
        : Socket(std::move(socket)), Peer(std::move(peer)), Service(std::move(service)), Framer(maxLineBytes) {}

    TTcpSocket Socket;
    std::string Peer;
    std::unique_ptr<TLineService> Service;
    TLineFramer Framer;
    std::string Output;
    std::size_t Sent = 0;  // bytes of Output already sent
    bool Ending = false;  // nothing more comes: closed once the answers are out
    std::unique_ptr<TSocketWatch> Watch;
};

TLineServer::TLineServer(TEventLoop& loop, TServiceFactory makeService, TLineServerLimits limits)
    : Loop_(loop), MakeService_(std::move(makeService)), Limits_(limits) {}

TLineServer::~TLineServer() { Close(); }

bool TLineServer::Listen(const TListenAddress& address) {
    Close();
    Error_.clear();
    if (!Networking_.Error().empty()) {
        Error_ = Networking_.Error();
        return false;
    }
    if (!Listener_.Listen(address, Error_)) return false;
    ListenerWatch_ = Loop_.WatchSocket(Listener_.Handle(), [this] { AcceptWaiting(); }, nullptr);
    if (!ListenerWatch_) {
        Error_ = "listen " + ListenAddressText(address) + ": this event loop cannot watch sockets";
        Listener_.Close();
        return false;
    }
    AcceptRetry_ = Loop_.MakeTimer(Limits_.AcceptRetryMs, [this] {
        AcceptRetry_->Stop();
        ListenerWatch_->WantReadable(true);
    });
    return true;
}

uint16_t TLineServer::Port() const { return Listener_.IsOpen() ? Listener_.LocalPort() : 0; }

void TLineServer::Close() {
    AcceptRetry_.reset();
    ListenerWatch_.reset();
    Listener_.Close();
    Clients_.clear();
}

void TLineServer::Notice(const std::string& text) {
    if (OnNotice) OnNotice(text);
}

void TLineServer::AcceptWaiting() {
    for (int turn = 0; turn < AcceptsPerTurn; ++turn) {
        TTcpSocket accepted;
        std::string peer;
        std::string error;
        const TIoStatus status = Listener_.Accept(accepted, peer, error);
        if (status == TIoStatus::WouldBlock) return;
        if (status != TIoStatus::Done) {
            Notice(error + "; accepting again in " + std::to_string(Limits_.AcceptRetryMs) + " ms");
            ListenerWatch_->WantReadable(false);
            AcceptRetry_->Start();
            return;
        }
        if (Clients_.size() >= Limits_.MaxClients) {
            Notice(peer + " refused: " + std::to_string(Limits_.MaxClients) + " clients already connected");
            continue;  // closed as it goes out of scope
        }
        auto client = std::make_unique<TClient>(std::move(accepted), std::move(peer), MakeService_(),
                                                Limits_.MaxLineBytes);
        TClient* const raw = client.get();
        client->Watch = Loop_.WatchSocket(
            client->Socket.Handle(), [this, raw] { Receive(*raw); }, [this, raw] { Flush(*raw); });
        if (!client->Watch || !client->Service) {
            Notice(client->Peer + " refused: no service for it");
            continue;
        }
        Notice(client->Peer + " connected");
        Clients_.push_back(std::move(client));
    }
}

void TLineServer::Receive(TClient& client) {
    char buffer[ReadChunk];
    for (std::size_t taken = 0; taken < ReadPerTurn;) {
        std::string error;
        const TIoResult got = client.Socket.Receive(buffer, sizeof buffer, error);
        switch (got.Status) {
            case TIoStatus::WouldBlock:
                return;
            case TIoStatus::Ended:
                // The client has said all it will ("echo '*IDN?' | nc -N"):
                // its answers go out, then the connection closes.
                if (!Flush(client)) return;
                client.Ending = true;
                client.Watch->WantReadable(false);
                if (client.Output.empty()) Drop(client, "disconnected");
                return;
            case TIoStatus::Failed:
                Drop(client, "dropped: " + error);
                return;
            case TIoStatus::Done:
                break;
        }
        taken += got.Bytes;
        client.Framer.Feed(std::string_view(buffer, got.Bytes), *client.Service, client.Output);
        if (!Flush(client)) return;
    }
    // What is left unread brings another call, after the others' turns.
}

bool TLineServer::Flush(TClient& client) {
    while (client.Sent < client.Output.size()) {
        std::string error;
        const TIoResult sent =
            client.Socket.Send(client.Output.data() + client.Sent, client.Output.size() - client.Sent, error);
        if (sent.Status == TIoStatus::WouldBlock) break;
        if (sent.Status != TIoStatus::Done) {
            Drop(client, "dropped: " + error);
            return false;
        }
        client.Sent += sent.Bytes;
    }
    const std::size_t pending = client.Output.size() - client.Sent;
    if (pending > Limits_.MaxPendingOutput) {
        Drop(client, "dropped: more than " + std::to_string(Limits_.MaxPendingOutput) + " bytes of answers unread");
        return false;
    }
    if (pending == 0) {
        client.Output.clear();
        client.Sent = 0;
        if (client.Ending) {
            Drop(client, "disconnected");
            return false;
        }
    } else if (client.Sent >= CompactAfter) {
        client.Output.erase(0, client.Sent);
        client.Sent = 0;
    }
    client.Watch->WantWritable(pending != 0);
    return true;
}

void TLineServer::Drop(TClient& client, const std::string& why) {
    Notice(client.Peer + ' ' + why);
    const auto found = std::find_if(Clients_.begin(), Clients_.end(),
                                    [&client](const std::unique_ptr<TClient>& held) { return held.get() == &client; });
    if (found != Clients_.end()) Clients_.erase(found);
}

}  // namespace tavik::net
