#include "mqtt_publisher.h"

#include <algorithm>
#include <utility>

namespace tavik::mqtt {

TMqttPublisher::TMqttPublisher(TInstrumentSession& session, TEventLoop& loop, TMqttConnection& connection,
                               TMqttNames names, int everyMs)
    : Session_(session), Connection_(connection), Names_(std::move(names)),
      // Three intervals missed, and at least ten seconds: the reading is stale.
      ExpireAfterSeconds_(std::max(10, (3 * everyMs + 999) / 1000)) {
    Subscriber_.LoggerCycle = [this](const logger::TLoggerCycle& cycle) { LoggerFresh_ = LoggerFresh_ || cycle.HasSamples; };
    Subscriber_.MeterReading = [this](const freqmeter::TReading&) { MeterFresh_ = true; };
    // Announced once its strings can be read: a replugged module's own.
    Subscriber_.Binding = [this](TInstrumentKind kind, bool bound) {
        if (!bound) Bound(kind, false);
    };
    Subscriber_.Ready = [this](TInstrumentKind kind) { Bound(kind, true); };
    // A module that does not answer is unavailable until it does.
    Subscriber_.Answering = [this](TInstrumentKind kind, bool answering) {
        if (Session_.Present(kind)) Connection_.Retain(ModuleAvailability(Names_, kind, answering));
    };
    Connection_.Retain(Availability(Names_, true));
    for (const TInstrumentKindInfo& info : InstrumentKinds) Bound(info.Kind, Session_.Present(info.Kind));
    Session_.Subscribe(Subscriber_);
    Timer_ = loop.MakeTimer(everyMs, [this] { Tick(); });
    Timer_->Start();
}

TMqttPublisher::~TMqttPublisher() { Session_.Unsubscribe(Subscriber_); }

void TMqttPublisher::Bound(TInstrumentKind kind, bool bound) {
    if (bound) {
        for (const TMqttMessage& config : DiscoveryConfigs(Names_, kind, Session_.ModuleStrings(kind), ExpireAfterSeconds_))
            Connection_.Retain(config);
    }
    if (kind == TInstrumentKind::Logger) LoggerFresh_ = false;
    if (kind == TInstrumentKind::FrequencyMeter) MeterFresh_ = false;
    Connection_.Retain(ModuleAvailability(Names_, kind, bound));
}

void TMqttPublisher::Tick() {
    for (const std::string& notice : Connection_.TakeNotices())
        if (OnNotice) OnNotice(notice);
    if (std::exchange(LoggerFresh_, false) && Session_.Present(TInstrumentKind::Logger)) {
        const logger::TAcquisition& acquisition = Session_.Instruments.Logger.Acquisition;
        if (acquisition.VCH1Volts)
            Connection_.Publish(Reading(Names_, TInstrumentKind::Logger, "voltage1", VoltsText(*acquisition.VCH1Volts)));
        if (acquisition.VCH2Volts)
            Connection_.Publish(Reading(Names_, TInstrumentKind::Logger, "voltage2", VoltsText(*acquisition.VCH2Volts)));
    }
    if (std::exchange(MeterFresh_, false) && Session_.LatestReading()) {
        const freqmeter::TReading& reading = *Session_.LatestReading();
        Connection_.Publish(Reading(Names_, TInstrumentKind::FrequencyMeter, "frequency", std::to_string(reading.Hertz)));
        Connection_.Publish(Reading(Names_, TInstrumentKind::FrequencyMeter, "input_in", reading.InputIn ? "1" : "0"));
    }
}

}  // namespace tavik::mqtt
