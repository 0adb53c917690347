#include "line_server.h"

#include <algorithm>
#include <chrono>

#include "line_framer.h"

namespace tavik::net {

namespace {
using TClock = std::chrono::steady_clock;
constexpr std::size_t ReadChunk = 16 * 1024;
// Sent output is cut off the buffer once this much has gone.
constexpr std::size_t CompactAfter = 64 * 1024;
constexpr int IdleCheckMs = 1000;
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
    bool Ending = false;   // nothing more comes: closed once its lines have run and their answers are out
    bool HeldBack = false;  // its answers unread past the bound: nothing read or run
    // Its lines may run: not held back, and its service not waiting on an
    // answer that comes later.
    bool Runs() const { return !HeldBack && !Service->Waiting(); }
    TClock::time_point Active = TClock::now();  // when bytes last came from it or went to it
    std::unique_ptr<TSocketWatch> Watch;
};

TLineServer::TLineServer(TEventLoop& loop, TServiceFactory makeService, TLineServerLimits limits)
    : Loop_(loop),
      MakeService_(std::move(makeService)),
      Limits_(limits),
      Listener_(
          loop, [this](TTcpSocket socket, std::string peer) { Accepted(std::move(socket), std::move(peer)); },
          limits.AcceptRetryMs) {
    Listener_.OnNotice = [this](const std::string& text) { Notice(text); };
}

TLineServer::~TLineServer() { Close(); }

bool TLineServer::Listen(const TListenAddress& address) {
    Close();
    Error_.clear();
    if (!Networking_.Error().empty()) {
        Error_ = Networking_.Error();
        return false;
    }
    if (!Listener_.Listen(address, Error_)) return false;
    IdleCheck_ = Loop_.MakeTimer(IdleCheckMs, [this] { CloseIdle(); });
    if (Limits_.IdleSeconds > 0) IdleCheck_->Start();
    return true;
}

uint16_t TLineServer::Port() const { return Listener_.Port(); }

void TLineServer::Close() {
    IdleCheck_.reset();
    Listener_.Close();
    Clients_.clear();
}

void TLineServer::Notice(const std::string& text) {
    if (OnNotice) OnNotice(text);
}

void TLineServer::Accepted(TTcpSocket socket, std::string peer) {
    if (Clients_.size() >= Limits_.MaxClients)
        return Notice(peer + " refused: " + std::to_string(Limits_.MaxClients) + " clients already connected");
    auto client = std::make_unique<TClient>(std::move(socket), std::move(peer), MakeService_(), Limits_.MaxLineBytes);
    TClient* const raw = client.get();
    client->Watch = Loop_.WatchSocket(
        client->Socket.Handle(), [this, raw] { Receive(*raw); }, [this, raw] { Flush(*raw); });
    if (!client->Watch || !client->Service) return Notice(client->Peer + " refused: no service for it");
    // From whatever event ended the wait: the client goes on from the loop.
    client->Service->Resumed = [this, raw, alive = std::weak_ptr<char>(Alive_)] {
        Loop_.Post([this, raw, alive] {
            if (alive.lock()) Resume(raw);
        });
    };
    Notice(client->Peer + " connected");
    Clients_.push_back(std::move(client));
}

std::vector<std::unique_ptr<TLineServer::TClient>>::iterator TLineServer::Find(const TClient* client) {
    return std::find_if(Clients_.begin(), Clients_.end(),
                        [client](const std::unique_ptr<TClient>& held) { return held.get() == client; });
}

// Flush closes a client that has ended and has nothing left to run or send.
void TLineServer::Resume(TClient* raw) {
    if (Find(raw) == Clients_.end() || raw->Service->Waiting()) return;  // gone, or waiting again
    raw->Service->TakeLater(raw->Output);
    if (!Flush(*raw)) return;
    WantInput(*raw);
    if (raw->Framer.HasLine() && raw->Runs()) TurnsPass_.Post();
}

void TLineServer::Receive(TClient& client) {
    char buffer[ReadChunk];
    while (client.Runs() && client.Framer.Held() < Limits_.MaxPendingInput) {
        std::string error;
        const TIoResult got = client.Socket.Receive(buffer, sizeof buffer, error);
        if (got.Status == TIoStatus::WouldBlock) break;
        if (got.Status == TIoStatus::Failed) return Drop(client, "dropped: " + error);
        if (got.Status == TIoStatus::Ended) {
            // The client has said all it will ("echo '*IDN?' | nc -N"): its
            // lines run and their answers go out, then the connection closes.
            client.Ending = true;
            break;
        }
        client.Active = TClock::now();
        client.Framer.Add(std::string_view(buffer, got.Bytes));
    }
    if (!Turn(client)) return;
    WantInput(client);
}

bool TLineServer::Turn(TClient& client) {
    for (std::size_t run = 0; run < Limits_.LinesPerTurn && client.Runs(); ++run) {
        if (!client.Framer.RunNext(*client.Service, client.Output)) break;
        if (!Flush(client)) return false;
    }
    if (client.Framer.HasLine() && client.Runs()) TurnsPass_.Post();
    if (client.Ending && !client.Framer.HasLine() && client.Output.empty() && !client.Service->Waiting()) {
        Drop(client, "disconnected");
        return false;
    }
    return true;
}

void TLineServer::Turns() {
    bool waiting = false;
    // By index: a turn may drop its client.
    for (std::size_t i = 0; i < Clients_.size();) {
        TClient& client = *Clients_[i];
        if (client.Framer.HasLine() && client.Runs()) {
            if (!Turn(client)) continue;
            WantInput(client);
            waiting = waiting || (client.Framer.HasLine() && client.Runs());
        }
        ++i;
    }
    if (waiting) TurnsPass_.Post();
}

void TLineServer::CloseIdle() {
    const auto bound = std::chrono::seconds(Limits_.IdleSeconds);
    const TClock::time_point now = TClock::now();
    for (std::size_t i = 0; i < Clients_.size();) {
        if (now - Clients_[i]->Active >= bound) {
            Drop(*Clients_[i], "dropped: idle for " + std::to_string(Limits_.IdleSeconds) + " s");
            continue;
        }
        ++i;
    }
}

void TLineServer::WantInput(TClient& client) {
    client.Watch->WantReadable(!client.Ending && client.Runs() && client.Framer.Held() < Limits_.MaxPendingInput);
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
        client.Active = TClock::now();
    }
    const std::size_t pending = client.Output.size() - client.Sent;
    const bool wasHeld = client.HeldBack;
    client.HeldBack = pending > Limits_.MaxPendingOutput;
    if (pending == 0) {
        client.Output.clear();
        client.Sent = 0;
        if (client.Ending && !client.Framer.HasLine() && !client.Service->Waiting()) {
            Drop(client, "disconnected");
            return false;
        }
    } else if (client.Sent >= CompactAfter) {
        client.Output.erase(0, client.Sent);
        client.Sent = 0;
    }
    client.Watch->WantWritable(pending != 0);
    if (wasHeld && !client.HeldBack) {
        // It has read: its input and its lines go on.
        WantInput(client);
        if (client.Framer.HasLine() && client.Runs()) TurnsPass_.Post();
    }
    return true;
}

void TLineServer::Drop(TClient& client, const std::string& why) {
    Notice(client.Peer + ' ' + why);
    if (const auto found = Find(&client); found != Clients_.end()) Clients_.erase(found);
}

}  // namespace tavik::net
