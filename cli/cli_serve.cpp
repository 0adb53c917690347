#include "cli_serve.h"

#include "cli_metrics.h"
#include "cli_mqtt.h"
#include "cli_output.h"
#include "host_name.h"
#include "net/line_server.h"
#include "net/service_advertisement.h"
#include "scpi/scpi_identity.h"
#include "scpi/scpi_instrument.h"
#include "stop_request.h"

namespace tavik::cli {

namespace {

// Raw SCPI over TCP as LXI instruments advertise it: "Тавик (host)", with
// the identity of *IDN? in the TXT record.
net::TAdvertisement AdvertisementOf(const net::TListenAddress& listening) {
    const scpi::TScpiIdentity& identity = scpi::Identity();
    // A DNS-SD name holds 63 bytes, room left for a " #12" after a clash.
    const std::string host = HostName().substr(0, 44);
    net::TAdvertisement advertisement;
    advertisement.Name = host.empty() ? "Тавик" : "Тавик (" + host + ")";
    advertisement.Services = {{"_scpi-raw._tcp", listening.Port}};
    advertisement.Txt = {"txtvers=1", "Manufacturer=" + identity.Manufacturer, "Model=" + identity.Model,
                         "SerialNumber=" + identity.SerialNumber, "FirmwareVersion=" + identity.FirmwareVersion};
    advertisement.Address = listening.Octets;
    return advertisement;
}

}  // namespace

int Serve(THidPlatform& platform, TEventLoop& loop, const TCommand& command, TCliConsole& console) {
    const std::string where = net::ListenAddressText(command.Listen);
    if (!net::IsLoopback(command.Listen))
        console.Complain("listening on " + where + ": anyone who can reach the port can drive the modules");
    // A module that stops answering, or answers again, is told as the other
    // commands tell it; its queries meanwhile fail at once.
    TSessionSubscriber told;
    told.Answering = [&console](TInstrumentKind kind, bool answering) {
        console.Complain(AnsweringText(InfoOf(kind).Name, answering));
    };
    scpi::TScpiInstrument instrument(platform, loop);
    instrument.Session.Subscribe(told);
    net::TLineServer server(loop, [&instrument] { return instrument.NewClient(); }, {.IdleSeconds = command.IdleSeconds});
    server.OnNotice = [&console](const std::string& notice) { console.Complain(notice); };
    if (!server.Listen(command.Listen)) {
        console.Complain(server.Error());
        return ExitTransfer;
    }
    // The port as listened on: the system's pick when 0 was asked for.
    net::TListenAddress listening = command.Listen;
    listening.Port = server.Port();
    if (!console.Say("serving SCPI on " + net::ListenAddressText(listening))) return ExitTransfer;
    // Found by the lab's tools when others can reach it; withdrawn first on
    // the way out, while the server still answers.
    std::unique_ptr<net::TServiceAdvertiser> advertiser;
    if (!net::IsLoopback(command.Listen))
        advertiser = net::Advertise(loop, AdvertisementOf(listening),
                                    [&console](const std::string& notice) { console.Complain(notice); });
    std::unique_ptr<TMetricsEndpoint> metrics;
    if (command.Metrics) {
        metrics = StartMetrics(instrument.Session, loop, *command.Metrics, console);
        if (!metrics) return ExitTransfer;
    }
    std::unique_ptr<TMqttEndpoint> mqtt;
    if (command.Mqtt) {
        mqtt = StartMqtt(instrument.Session, loop, command, console);
        if (!mqtt) return ExitTransfer;
    }
    // Every module command completes within the line that carries it, so a
    // stop between two loop rounds leaves nothing half-sent to a module.
    while (!StopRequested()) loop.ProcessEvents(100);
    advertiser.reset();
    mqtt.reset();
    metrics.reset();
    server.Close();
    instrument.Session.Unsubscribe(told);
    return ExitOk;
}

}  // namespace tavik::cli
