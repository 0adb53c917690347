#include "metrics_server.h"

#include <algorithm>

namespace tavik::metrics {

namespace {
constexpr std::size_t ReadChunk = 4096;
}  // namespace

// The socket is declared first and closes last, after the watch on it.
struct TMetricsServer::TClient {
    net::TTcpSocket Socket;
    std::string Peer;
    std::string Input;    // of the request head in progress, and any pipelined after it
    std::string Output;   // the answer going out
    std::size_t Sent = 0;
    bool Closing = false;  // closed once the answer is out
    int MsLeft = 0;        // until the deadline of what is awaited
    std::unique_ptr<TSocketWatch> Watch;
};

TMetricsServer::TMetricsServer(TEventLoop& loop, TRender render, TMetricsServerLimits limits)
    : Loop_(loop),
      Render_(std::move(render)),
      Limits_(limits),
      Listener_(
          loop, [this](net::TTcpSocket socket, std::string peer) { Accepted(std::move(socket), std::move(peer)); },
          limits.AcceptRetryMs) {
    Listener_.OnNotice = [this](const std::string& text) { Notice(text); };
}

TMetricsServer::~TMetricsServer() { Close(); }

bool TMetricsServer::Listen(const net::TListenAddress& address) {
    Close();
    Error_.clear();
    if (!Networking_.Error().empty()) {
        Error_ = Networking_.Error();
        return false;
    }
    if (!Listener_.Listen(address, Error_)) return false;
    Deadlines_ = Loop_.MakeTimer(Limits_.DeadlineCheckMs, [this] { CheckDeadlines(); });
    Deadlines_->Start();
    return true;
}

uint16_t TMetricsServer::Port() const { return Listener_.Port(); }

void TMetricsServer::Close() {
    Deadlines_.reset();
    Listener_.Close();
    Clients_.clear();
}

void TMetricsServer::Notice(const std::string& text) {
    if (OnNotice) OnNotice(text);
}

void TMetricsServer::Accepted(net::TTcpSocket socket, std::string peer) {
    if (Clients_.size() >= Limits_.MaxClients)
        return Notice(peer + " refused: " + std::to_string(Limits_.MaxClients) + " clients already connected");
    auto client = std::make_unique<TClient>();
    client->Socket = std::move(socket);
    client->Peer = std::move(peer);
    client->MsLeft = Limits_.RequestDeadlineMs;
    TClient* const raw = client.get();
    client->Watch = Loop_.WatchSocket(
        client->Socket.Handle(), [this, raw] { Receive(*raw); }, [this, raw] { Flush(*raw); });
    if (client->Watch) Clients_.push_back(std::move(client));
}

void TMetricsServer::Receive(TClient& client) {
    char buffer[ReadChunk];
    std::string error;
    const net::TIoResult got = client.Socket.Receive(buffer, sizeof buffer, error);
    switch (got.Status) {
    case net::TIoStatus::WouldBlock: return;
    case net::TIoStatus::Ended: return Drop(client, "");
    case net::TIoStatus::Failed: return Drop(client, "dropped: " + error);
    case net::TIoStatus::Done: break;
    }
    client.Input.append(buffer, got.Bytes);
    Answer(client);
}

void TMetricsServer::Answer(TClient& client) {
    const std::optional<std::size_t> length = HeadLength(client.Input);
    if (!length && client.Input.size() <= MaxRequestHeadBytes) return;  // more to come
    TRequestHead head;
    if (length)
        head = ParseRequestHead(std::string_view(client.Input).substr(0, *length));
    else
        head.Verdict = THeadVerdict::TooLarge;
    client.Input.erase(0, length.value_or(client.Input.size()));
    TResponse response = Respond(head, [this](TExpositionFormat format) {
        ++Scrapes_;
        return Render_(format);
    });
    client.Output = std::move(response.Bytes);
    client.Sent = 0;
    client.Closing = response.Close;
    client.MsLeft = Limits_.AnswerDeadlineMs;
    // One answer at a time: what the client sends meanwhile waits in its socket.
    client.Watch->WantReadable(false);
    Flush(client);
}

bool TMetricsServer::Flush(TClient& client) {
    while (client.Sent < client.Output.size()) {
        std::string error;
        const net::TIoResult sent =
            client.Socket.Send(client.Output.data() + client.Sent, client.Output.size() - client.Sent, error);
        if (sent.Status == net::TIoStatus::WouldBlock) {
            client.Watch->WantWritable(true);
            return true;
        }
        if (sent.Status != net::TIoStatus::Done) {
            Drop(client, "dropped: " + error);
            return false;
        }
        client.Sent += sent.Bytes;
    }
    client.Watch->WantWritable(false);
    if (client.Closing) {
        Drop(client, "");
        return false;
    }
    client.Output.clear();
    client.Sent = 0;
    client.MsLeft = Limits_.RequestDeadlineMs;
    client.Watch->WantReadable(true);
    // A request that came with the last one is answered now.
    if (!client.Input.empty()) Answer(client);
    return true;
}

void TMetricsServer::CheckDeadlines() {
    for (std::size_t i = 0; i < Clients_.size();) {
        TClient& client = *Clients_[i];
        client.MsLeft -= Limits_.DeadlineCheckMs;
        if (client.MsLeft > 0) {
            ++i;
            continue;
        }
        const bool answering = !client.Output.empty();
        // A keep-alive connection with nothing begun just ends.
        const bool idle = !answering && client.Input.empty();
        Drop(client, idle ? "" : answering ? "dropped: answer not taken within " + std::to_string(Limits_.AnswerDeadlineMs) + " ms"
                                           : "dropped: no whole request within " + std::to_string(Limits_.RequestDeadlineMs) + " ms");
    }
}

void TMetricsServer::Drop(TClient& client, const std::string& why) {
    if (!why.empty()) Notice(client.Peer + ' ' + why);
    const auto found = std::find_if(Clients_.begin(), Clients_.end(),
                                    [&client](const std::unique_ptr<TClient>& held) { return held.get() == &client; });
    if (found != Clients_.end()) Clients_.erase(found);
}

}  // namespace tavik::metrics
