#pragma once
// The session's readings as metric families, for the endpoint to write out
// at each scrape. One more subscriber of the session: it hears every logger
// cycle, meter reading, binding change and failed poll, counts them, and
// keeps which readings are this module's own since it was bound. A module
// that is not bound has no gauges at all: no number of a module since gone
// can pass for a live one. Counters last as long as the collector.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "instruments/instrument_session.h"
#include "metrics_exposition.h"

namespace tavik::metrics {

// What tavik_module_state tells of each kind. NotAnswering: bound, but its
// transfers fail; the session does not tell that yet, so nothing sets it.
enum class TModuleState { Bound, Absent, NotAnswering };

class TMetricsCollector {
public:
    // version: the program's, for tavik_build_info.
    TMetricsCollector(TInstrumentSession& session, std::string version);
    ~TMetricsCollector();
    TMetricsCollector(const TMetricsCollector&) = delete;
    TMetricsCollector& operator=(const TMetricsCollector&) = delete;

    TModuleState StateOf(TInstrumentKind kind) const;
    // Every family, in the order they are written.
    std::vector<TMetricFamily> Families() const;

private:
    void AddModuleFamilies(std::vector<TMetricFamily>& families) const;
    void AddLoggerFamilies(std::vector<TMetricFamily>& families) const;
    void AddGeneratorFamilies(std::vector<TMetricFamily>& families) const;
    void AddMeterFamilies(std::vector<TMetricFamily>& families) const;

    TInstrumentSession& Session_;
    const std::string Version_;
    TSessionSubscriber Subscriber_;
    std::array<uint64_t, InstrumentKindCount> Reports_{};
    std::array<uint64_t, InstrumentKindCount> Bindings_{};
    // Failed polls by kind and operation ("GetFeature").
    std::map<std::pair<TInstrumentKind, std::string>, uint64_t> Failures_;
    // The voltmeter has a reading of the bound logger's own.
    bool LoggerReading_ = false;
};

}  // namespace tavik::metrics
