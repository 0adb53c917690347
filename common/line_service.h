#pragma once
// What a network connection's lines go to: one service a connected client,
// made when it connects and destroyed when it goes. The server frames the
// bytes into lines; the service answers them.
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
};

}  // namespace tavik
