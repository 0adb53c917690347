#include "scpi_status.h"

namespace tavik::scpi {

void TConditionRegister::Set(uint16_t condition) {
    const uint16_t risen = condition & static_cast<uint16_t>(~Condition_);
    for (int bit = 0; bit < 16; ++bit)
        if (risen & (1u << bit)) ++Rises_[static_cast<std::size_t>(bit)];
    Condition_ = condition;
}

void TConditionRegister::Latch(TStatusRegister& client) const {
    for (std::size_t bit = 0; bit < 16; ++bit)
        if (client.Seen[bit] != Rises_[bit]) client.Event |= static_cast<uint16_t>(1u << bit);
    client.Seen = Rises_;
    client.Event &= 0x7FFF;  // bit 15 is always 0
}

void TStatusConditions::Bound(TInstrumentKind kind, bool bound) {
    Bound_[SlotOf(kind)] = bound;
    Failing_[SlotOf(kind)] = false;
    Silent_[SlotOf(kind)] = false;
    Update();
}

void TStatusConditions::Failed(TInstrumentKind kind) {
    Failing_[SlotOf(kind)] = true;
    Update();
}

void TStatusConditions::Answered(TInstrumentKind kind) {
    if (!Failing_[SlotOf(kind)]) return;
    Failing_[SlotOf(kind)] = false;
    Update();
}

void TStatusConditions::SetAnswering(TInstrumentKind kind, bool answering) {
    Silent_[SlotOf(kind)] = !answering;
    Update();
}

void TStatusConditions::Update() {
    auto trouble = [this](TInstrumentKind kind) {
        return !Bound_[SlotOf(kind)] || Failing_[SlotOf(kind)] || Silent_[SlotOf(kind)];
    };
    uint16_t questionable = 0;
    if (trouble(TInstrumentKind::Logger)) questionable |= QuestionableVoltage;
    if (trouble(TInstrumentKind::FrequencyMeter)) questionable |= QuestionableFrequency;
    if (trouble(TInstrumentKind::Generator)) questionable |= QuestionableGenerator;
    Questionable.Set(questionable);
    const bool measuring = Bound_[SlotOf(TInstrumentKind::Logger)] || Bound_[SlotOf(TInstrumentKind::FrequencyMeter)];
    Operation.Set(measuring ? OperationMeasuring : 0);
}

}  // namespace tavik::scpi
