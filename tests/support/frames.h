#pragma once
// Frames written and read as text in assertions: "02 01 10 00 00 00 00 EF".
#include <initializer_list>
#include <string>
#include <vector>

#include "device/report_exchange.h"

namespace tavik::test {

std::string Hex(const TFrame& frame);
std::string Hex(const std::vector<uint8_t>& bytes);
TFrame Frame(std::initializer_list<uint8_t> bytes);

}  // namespace tavik::test
