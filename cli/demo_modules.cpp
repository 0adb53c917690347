#include "demo_modules.h"

namespace tavik::cli {

TDemoModules::TDemoModules() : Modules(sim::PlugDemoModules(Platform)) { Loop.RealTime = true; }

}  // namespace tavik::cli
