#pragma once
// One line of an IEEE 488.2 program message read into its commands: headers
// (common "*IDN?" or compound "SOUR2:FREQ"), the query mark and the
// parameters, numbers always with a point. Nothing here knows the command
// tree; the path rule and the tree are the client's.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scpi_error.h"

namespace tavik::scpi {

// One node of a header as typed: the letters upper-cased, any digits at its
// end taken for its numeric suffix.
struct TMnemonic {
    std::string Name;
    std::optional<uint32_t> Suffix;
    bool operator==(const TMnemonic&) const = default;
};

struct TParameter {
    enum class TKind { Number, Character, String, ChannelList };
    TKind Kind = TKind::Number;
    double Number = 0.0;        // decimal (NR1, NR2, NR3) or #H, #Q, #B
    std::string Unit;           // a decimal number's suffix ("KHZ", "MV"), upper-cased
    std::string Text;           // character data upper-cased; a string's contents
    std::vector<uint32_t> Channels;  // (@1,2) or (@1:2), ranges spelled out
};

struct TProgramCommand {
    bool Common = false;  // *IDN and the like: Header holds its one name, without the star
    bool Rooted = false;  // began with a colon: the path starts again at the root
    std::vector<TMnemonic> Header;
    bool Query = false;
    std::vector<TParameter> Parameters;
};

struct TProgramMessage {
    std::vector<TProgramCommand> Commands;
    // The commands read before the first that is not well formed; the rest of
    // the line is not read.
    std::optional<TError> Syntax;
};

TProgramMessage ParseProgramMessage(std::string_view line);

}  // namespace tavik::scpi
