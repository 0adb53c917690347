// The generator: each output's frequency, from its list, and source, each
// output's signal on or off, the three levels, and the byte read/write
// service path.
#include "scpi_command.h"
#include "scpi_instrument.h"

namespace tavik::scpi {

namespace {

constexpr TInstrumentKind Kind = TInstrumentKind::Generator;
constexpr uint32_t SwitchableOutputs = 2;
constexpr uint32_t Outputs = 3;

generator::TGenerator& Generator(TCall& call) { return call.Instrument.Instruments.Generator; }

// Sends the settings as they now stand, for the output named (0: levels).
TOutcome Send(TCall& call, int output) {
    const TCommandResult sent = Generator(call).SendSettings(output);
    if (sent.Done()) return std::nullopt;
    return TScpiInstrument::TransferFailure(sent, "the generator did not take the control report");
}

// The list entries of an output (1 or 2): the first is the highest
// frequency, the last the lowest.
struct TList {
    const generator::TFreqTable& Table;
    std::size_t Count;
    double Lowest() const { return Table[Count - 1].Frequency; }
    double Highest() const { return Table[0].Frequency; }
    // What *RST sets, and DEFault stands for: the list's first entry.
    double Default() const { return Table[0].Frequency; }
};
TList ListOf(TCall& call, uint32_t output) {
    return {Generator(call).Table(static_cast<int>(output)), Generator(call).EntryCount(static_cast<int>(output))};
}

TOutcome SetFrequency(TCall& call) {
    const auto output = call.Suffix(0, 1, SwitchableOutputs);
    if (const TError* error = std::get_if<TError>(&output)) return *error;
    if (auto error = call.Expect(1, 1)) return error;
    const TList list = ListOf(call, std::get<uint32_t>(output));
    const auto hertz = ReadNumber(call.Parameters[0], list.Lowest(), list.Highest(), TUnit::Hertz, list.Default());
    if (const TError* error = std::get_if<TError>(&hertz)) return *error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    const uint32_t n = std::get<uint32_t>(output);
    Generator(call).Settings.Outputs[n - 1].FreqIndex = generator::NearestEntry(list.Table, list.Count, std::get<double>(hertz));
    return Send(call, static_cast<int>(n));
}

// The frequency the output is set to; with MIN or MAX its list's ends, with
// DEF what *RST sets.
TOutcome Frequency(TCall& call) {
    const auto output = call.Suffix(0, 1, SwitchableOutputs);
    if (const TError* error = std::get_if<TError>(&output)) return *error;
    if (auto error = call.Expect(0, 1)) return error;
    const uint32_t n = std::get<uint32_t>(output);
    const TList list = ListOf(call, n);
    double hertz = list.Table[Generator(call).Settings.Outputs[n - 1].FreqIndex].Frequency;
    if (!call.Parameters.empty()) {
        const auto end = ReadChoice(call.Parameters[0], {"MINimum", "MAXimum", "DEFault"});
        if (const TError* error = std::get_if<TError>(&end)) return *error;
        const std::size_t word = std::get<std::size_t>(end);
        hertz = word == 0 ? list.Lowest() : word == 1 ? list.Highest() : list.Default();
    }
    // The lists hold floats: their shortest text, not a double's digits.
    call.Answer = Nr3(static_cast<float>(hertz));
    return std::nullopt;
}

TOutcome Catalog(TCall& call) {
    const auto output = call.Suffix(0, 1, SwitchableOutputs);
    if (const TError* error = std::get_if<TError>(&output)) return *error;
    if (auto error = call.Expect(0, 0)) return error;
    const TList list = ListOf(call, std::get<uint32_t>(output));
    for (std::size_t i = 0; i < list.Count; ++i) call.Answer += (i ? "," : "") + Nr3(list.Table[i].Frequency);
    return std::nullopt;
}

const std::vector<const char*> SourceWords = {"GENerator", "PC"};

TOutcome SetSource(TCall& call) {
    const auto output = call.Suffix(0, 1, SwitchableOutputs);
    if (const TError* error = std::get_if<TError>(&output)) return *error;
    if (auto error = call.Expect(1, 1)) return error;
    const auto source = ReadChoice(call.Parameters[0], SourceWords);
    if (const TError* error = std::get_if<TError>(&source)) return *error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    const uint32_t n = std::get<uint32_t>(output);
    Generator(call).Settings.Outputs[n - 1].Source =
        std::get<std::size_t>(source) == 0 ? generator::TSource::Generator : generator::TSource::PC;
    return Send(call, static_cast<int>(n));
}

TOutcome Source(TCall& call) {
    const auto output = call.Suffix(0, 1, SwitchableOutputs);
    if (const TError* error = std::get_if<TError>(&output)) return *error;
    if (auto error = call.Expect(0, 0)) return error;
    call.Answer =
        Generator(call).Settings.Outputs[std::get<uint32_t>(output) - 1].Source == generator::TSource::Generator ? "GEN" : "PC";
    return std::nullopt;
}

// The logic level the PC drives an output to (1, 2 or 3): what the pin
// shows while the output's source is the PC.
TOutcome SetLevel(TCall& call) {
    const auto output = call.Suffix(0, 1, Outputs);
    if (const TError* error = std::get_if<TError>(&output)) return *error;
    if (auto error = call.Expect(1, 1)) return error;
    const auto high = ReadBoolean(call.Parameters[0]);
    if (const TError* error = std::get_if<TError>(&high)) return *error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    Generator(call).Settings.High[std::get<uint32_t>(output) - 1] = std::get<bool>(high);
    return Send(call, 0);
}

TOutcome Level(TCall& call) {
    const auto output = call.Suffix(0, 1, Outputs);
    if (const TError* error = std::get_if<TError>(&output)) return *error;
    if (auto error = call.Expect(0, 0)) return error;
    call.Answer = Generator(call).Settings.High[std::get<uint32_t>(output) - 1] ? "1" : "0";
    return std::nullopt;
}

// An output's signal on or off, as SCPI users read OUTPut: outputs 1 and 2
// ON run the square wave (the generator as source, at the frequency set),
// OFF hold the pin low (the PC as source, its level low), in one report;
// output 3 has only a level, and ON is high.
TOutcome SetState(TCall& call) {
    const auto output = call.Suffix(0, 1, Outputs);
    if (const TError* error = std::get_if<TError>(&output)) return *error;
    const uint32_t n = std::get<uint32_t>(output);
    if (n > SwitchableOutputs) return SetLevel(call);
    if (auto error = call.Expect(1, 1)) return error;
    const auto on = ReadBoolean(call.Parameters[0]);
    if (const TError* error = std::get_if<TError>(&on)) return *error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    generator::TGeneratorSettings& settings = Generator(call).Settings;
    settings.Outputs[n - 1].Source = std::get<bool>(on) ? generator::TSource::Generator : generator::TSource::PC;
    if (!std::get<bool>(on)) settings.High[n - 1] = false;
    return Send(call, static_cast<int>(n));
}

TOutcome State(TCall& call) {
    const auto output = call.Suffix(0, 1, Outputs);
    if (const TError* error = std::get_if<TError>(&output)) return *error;
    const uint32_t n = std::get<uint32_t>(output);
    if (n > SwitchableOutputs) return Level(call);
    if (auto error = call.Expect(0, 0)) return error;
    const generator::TGeneratorSettings& settings = Generator(call).Settings;
    const bool running = settings.Outputs[n - 1].Source == generator::TSource::Generator;
    call.Answer = running ? "1" : "0";
    return std::nullopt;
}

constexpr int64_t MaxAddress = 0xFFFF;
constexpr int64_t MaxByte = 0xFF;

TOutcome RawRead(TCall& call) {
    if (auto error = call.Expect(1, 1)) return error;
    const auto address = ReadWhole(call.Parameters[0], 0, MaxAddress);
    if (const TError* error = std::get_if<TError>(&address)) return *error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    // Both the request and its answer must go through.
    const auto read = Generator(call).RawRead(static_cast<uint16_t>(std::get<int64_t>(address)));
    if (!read.Result.Done()) return TScpiInstrument::TransferFailure(read.Result, "the generator did not answer the read");
    call.Answer = Nr1(read.Value);
    return std::nullopt;
}

TOutcome RawWrite(TCall& call) {
    if (auto error = call.Expect(2, 2)) return error;
    const auto address = ReadWhole(call.Parameters[0], 0, MaxAddress);
    if (const TError* error = std::get_if<TError>(&address)) return *error;
    const auto data = ReadWhole(call.Parameters[1], 0, MaxByte);
    if (const TError* error = std::get_if<TError>(&data)) return *error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    const TCommandResult written = Generator(call).RawWrite(static_cast<uint16_t>(std::get<int64_t>(address)),
                                                            static_cast<uint8_t>(std::get<int64_t>(data)));
    if (written.Done()) return std::nullopt;
    return TScpiInstrument::TransferFailure(written, "the generator did not take the write");
}

}  // namespace

const std::vector<TCommandEntry>& GeneratorCommands() {
    static const std::vector<TCommandEntry> commands = {
        {"SOURce#:FREQuency[:CW]", SetFrequency, Frequency},
        {"SOURce#:FREQuency:CATalog", nullptr, Catalog},
        {"SOURce#:FUNCtion:MODE", SetSource, Source},
        {"OUTPut#[:STATe]", SetState, State},
        {"OUTPut#:LEVel", SetLevel, Level},
        {"DIAGnostic:RAW:READ", nullptr, RawRead},
        {"DIAGnostic:RAW:WRITe", RawWrite, nullptr},
    };
    return commands;
}

}  // namespace tavik::scpi
