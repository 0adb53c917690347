#pragma once
// SCPI's OPERation and QUEStionable registers over what the modules do. The
// conditions follow the session's events; each bit's rises are counted, so
// that every client latches into its own event register the rises it has
// not seen yet, however long ago they came.
#include <array>
#include <cstdint>

#include "device/instrument_identity.h"

namespace tavik::scpi {

// QUEStionable: a module's readings or settings cannot be trusted, because it
// is absent, does not answer, or its last poll failed.
constexpr uint16_t QuestionableVoltage = 1u << 0;    // the logger
constexpr uint16_t QuestionableFrequency = 1u << 5;  // the frequency meter
constexpr uint16_t QuestionableGenerator = 1u << 9;  // the generator (a bit the instrument defines)
// OPERation: measuring, while a logger or a frequency meter is bound.
constexpr uint16_t OperationMeasuring = 1u << 4;

// One register as a client has it.
struct TStatusRegister {
    uint16_t Event = 0;
    uint16_t Enable = 0;
    std::array<uint64_t, 16> Seen{};  // the rises of each bit latched so far
};

// One register's condition as the instrument has it.
class TConditionRegister {
public:
    uint16_t Condition() const { return Condition_; }
    void Set(uint16_t condition);
    // A new client: the rises so far are not its events.
    void Join(TStatusRegister& client) const { client.Seen = Rises_; }
    // The rises since the client last looked, into its event register.
    void Latch(TStatusRegister& client) const;

private:
    uint16_t Condition_ = 0;
    std::array<uint64_t, 16> Rises_{};
};

class TStatusConditions {
public:
    TStatusConditions() { Update(); }
    void Bound(TInstrumentKind kind, bool bound);
    void Failed(TInstrumentKind kind);
    void Answered(TInstrumentKind kind);
    // The module stopped answering (false) or answers again (true).
    void SetAnswering(TInstrumentKind kind, bool answering);

    TConditionRegister Operation;
    TConditionRegister Questionable;
    // Both registers' rises since the client last looked, into its events.
    void Latch(TStatusRegister& operation, TStatusRegister& questionable) const {
        Operation.Latch(operation);
        Questionable.Latch(questionable);
    }

private:
    void Update();
    std::array<bool, InstrumentKindCount> Bound_{};
    std::array<bool, InstrumentKindCount> Failing_{};
    std::array<bool, InstrumentKindCount> Silent_{};
};

}  // namespace tavik::scpi
