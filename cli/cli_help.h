#pragma once
// tavik-cli's help: the whole usage, or one command's. Every line fits 80
// columns.
#include <optional>
#include <string>

#include "cli_options.h"

namespace tavik::cli {

std::string HelpText(std::optional<TVerb> topic);

}  // namespace tavik::cli
