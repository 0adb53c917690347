#pragma once
// The frequency meter's number format: four significant digits, fixed
// notation for decimal exponents -3 to 4, scientific ("1.235E004") otherwise.
#include <string>

#include "extended_float.h"

namespace tavik {

std::string DisplayNumber(const TExtendedFloat& value, char separator);

}  // namespace tavik
