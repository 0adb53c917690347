#pragma once
// Header patterns as instrument manuals write them, "SOURce#:FREQuency[:CW]":
// the upper-case part of a node is its short form, the whole its long form,
// either matching in any case; a node in brackets may be left out; '#' marks a
// node that takes a numeric suffix (1 when none is typed).
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "scpi_message.h"

namespace tavik::scpi {

// The suffixes of the pattern's '#' nodes, in order, when the header matches.
std::optional<std::vector<uint32_t>> MatchHeader(std::string_view pattern, const std::vector<TMnemonic>& header);

}  // namespace tavik::scpi
