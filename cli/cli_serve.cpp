#include "cli_serve.h"

#include "cli_metrics.h"
#include "cli_mqtt.h"
#include "cli_output.h"
#include "host_name.h"
#include "net/line_server.h"
#include "net/portmapper_registration.h"
#include "net/service_advertisement.h"
#include "net/vxi11_protocol.h"
#include "net/vxi11_server.h"
#include "scpi/scpi_identity.h"
#include "scpi/scpi_instrument.h"
#include "stop_request.h"

namespace tavik::cli {

namespace {

// The portmapper's port, where VXI-11 clients ask for the core channel's.
constexpr uint16_t PortmapperPort = 111;

// Raw SCPI over TCP (and VXI-11 when the portmapper has it) as LXI
// instruments advertise them: "Тавик (host)", with the identity of *IDN? in
// the TXT record.
net::TAdvertisement AdvertisementOf(const net::TListenAddress& listening, bool vxi11) {
    const scpi::TScpiIdentity& identity = scpi::Identity();
    // A DNS-SD name holds 63 bytes, room left for a " #12" after a clash.
    const std::string host = HostName().substr(0, 44);
    net::TAdvertisement advertisement;
    advertisement.Name = host.empty() ? "Тавик" : "Тавик (" + host + ")";
    advertisement.Services = {{"_scpi-raw._tcp", listening.Port}};
    if (vxi11) advertisement.Services.push_back({"_vxi-11._tcp", PortmapperPort});
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
    // VXI-11 (VISA's TCPIP::host::INSTR) on a port of the system's pick on
    // the same address, offered where the portmapper tells clients of it.
    net::TVxi11Server vxi11(loop, [&instrument] { return instrument.NewClient(); },
                            {.IdleSeconds = command.IdleSeconds});
    vxi11.OnNotice = [&console](const std::string& notice) { console.Complain(notice); };
    std::unique_ptr<net::TPortmapperRegistration> registration;
    if (vxi11.Listen({.Octets = command.Listen.Octets, .Port = 0})) {
        std::string why;
        registration = net::RegisterWithPortmapper(net::vxi11::CoreProgram, net::vxi11::Version, vxi11.Port(), why);
        if (registration)
            console.Complain("VXI-11 on port " + std::to_string(vxi11.Port()) + ", registered with the portmapper");
        else
            console.Complain("VXI-11 not offered: " + why);
    } else {
        console.Complain("VXI-11 not offered: " + vxi11.Error());
    }
    if (!registration) vxi11.Close();
    // Found by the lab's tools when others can reach it; withdrawn first on
    // the way out, while the server still answers.
    std::unique_ptr<net::TServiceAdvertiser> advertiser;
    if (!net::IsLoopback(command.Listen))
        advertiser = net::Advertise(loop, AdvertisementOf(listening, registration != nullptr),
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
    registration.reset();
    mqtt.reset();
    metrics.reset();
    vxi11.Close();
    server.Close();
    instrument.Session.Unsubscribe(told);
    return ExitOk;
}

}  // namespace tavik::cli
