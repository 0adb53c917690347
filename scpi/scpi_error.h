#pragma once
// SCPI's error and event numbers as this instrument uses them, and the queue
// each client reads them from with SYSTem:ERRor?.
#include <cstddef>
#include <deque>
#include <string>

namespace tavik::scpi {

enum TErrorCode : int {
    NoError = 0,
    CommandError = -100,
    SyntaxError = -102,
    DataTypeError = -104,
    ParameterNotAllowed = -108,
    MissingParameter = -109,
    UndefinedHeader = -113,
    HeaderSuffixOutOfRange = -114,
    InvalidSuffix = -131,
    SuffixNotAllowed = -138,
    DataOutOfRange = -222,
    IllegalParameterValue = -224,
    OutOfMemory = -225,
    DataStale = -230,
    HardwareError = -240,
    HardwareMissing = -241,
    CalibrationFailed = -340,
    QueueOverflow = -350,
    InputBufferOverrun = -363,
};

// The standard's text for a number: "Undefined header".
const char* ErrorText(int code);

struct TError {
    int Code = NoError;
    std::string Info;  // what went wrong here, after the text and a semicolon
};

// The bit of the standard event status register an error sets: command,
// execution, device-dependent or query error.
int EventBitOf(int code);

// The bounded queue of one client: oldest first; a full queue keeps its
// oldest errors and replaces its newest with -350 "Queue overflow".
class TErrorQueue {
public:
    static constexpr std::size_t Capacity = 16;

    void Push(TError error);
    // The oldest error as SYSTem:ERRor? answers it: -113,"Undefined header"
    // or 0,"No error".
    std::string Next();
    std::size_t Count() const { return Errors_.size(); }
    void Clear() { Errors_.clear(); }

private:
    std::deque<TError> Errors_;
};

// An error as SYSTem:ERRor? answers it, the text and any info as one quoted
// string with inner quotes doubled.
std::string ErrorAnswer(const TError& error);

}  // namespace tavik::scpi
