#include "scpi_error.h"

#include <utility>

namespace tavik::scpi {

namespace {

struct TErrorName {
    int Code;
    const char* Text;
};

constexpr TErrorName ErrorNames[] = {
    {NoError, "No error"},
    {CommandError, "Command error"},
    {SyntaxError, "Syntax error"},
    {DataTypeError, "Data type error"},
    {ParameterNotAllowed, "Parameter not allowed"},
    {MissingParameter, "Missing parameter"},
    {UndefinedHeader, "Undefined header"},
    {HeaderSuffixOutOfRange, "Header suffix out of range"},
    {InvalidSuffix, "Invalid suffix"},
    {SuffixNotAllowed, "Suffix not allowed"},
    {DataOutOfRange, "Data out of range"},
    {IllegalParameterValue, "Illegal parameter value"},
    {OutOfMemory, "Out of memory"},
    {DataStale, "Data corrupt or stale"},
    {HardwareError, "Hardware error"},
    {HardwareMissing, "Hardware missing"},
    {CalibrationFailed, "Calibration failed"},
    {QueueOverflow, "Queue overflow"},
    {InputBufferOverrun, "Input buffer overrun"},
};

// Bits of the standard event status register (IEEE 488.2).
constexpr int QueryErrorBit = 0x04;
constexpr int DeviceErrorBit = 0x08;
constexpr int ExecutionErrorBit = 0x10;
constexpr int CommandErrorBit = 0x20;

}  // namespace

const char* ErrorText(int code) {
    for (const TErrorName& name : ErrorNames)
        if (name.Code == code) return name.Text;
    return "Error";
}

int EventBitOf(int code) {
    if (code <= -100 && code > -200) return CommandErrorBit;
    if (code <= -200 && code > -300) return ExecutionErrorBit;
    if (code <= -400 && code > -500) return QueryErrorBit;
    return code == NoError ? 0 : DeviceErrorBit;
}

void TErrorQueue::Push(TError error) {
    if (Errors_.size() < Capacity) {
        Errors_.push_back(std::move(error));
        return;
    }
    Errors_.back() = {QueueOverflow, {}};
}

std::string TErrorQueue::Next() {
    if (Errors_.empty()) return ErrorAnswer({});
    const std::string answer = ErrorAnswer(Errors_.front());
    Errors_.pop_front();
    return answer;
}

std::string ErrorAnswer(const TError& error) {
    std::string text = ErrorText(error.Code);
    if (!error.Info.empty()) text += ";" + error.Info;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return std::to_string(error.Code) + "," + quoted + "\"";
}

}  // namespace tavik::scpi
