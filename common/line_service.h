#pragma once
// What a network connection's lines go to: one service a connected client,
// made when it connects and destroyed when it goes. The server frames the
// bytes into lines; the service answers them.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tavik {

class TLineService {
public:
    virtual ~TLineService() = default;
    // One whole line, its terminator ("\n" or "\r\n") taken off. Answers are
    // appended to out, each ending in "\n"; a line may have none.
    virtual void Line(std::string_view line, std::string& out) = 0;
    // The line in progress passed the input limit and was discarded up to its
    // terminator; the connection stays.
    virtual void Overrun() = 0;

    // A line whose answer waits on something that comes later (a fresh
    // measurement): while the service is waiting, the server runs no more of
    // its lines and reads no more of its input. The service calls Resumed
    // once the line is done; the server then takes its answers (TakeLater)
    // and goes on with the client. Resumed is set by the server.
    virtual bool Waiting() const { return false; }
    virtual void TakeLater(std::string& /*out*/) {}
    std::function<void()> Resumed;

    // The IEEE 488.2 status byte, for a transport that reads it beside the
    // lines (VXI-11's device_readstb), without bit 4 (MAV), which only the
    // transport knows.
    virtual uint8_t StatusByte() { return 0; }
};

}  // namespace tavik
