#include "stop_request.h"

namespace tavik::cli {

namespace {
volatile std::sig_atomic_t StopSignal = 0;
}  // namespace

void RequestStop(int signal) noexcept { StopSignal = signal; }

int StopRequested() noexcept { return StopSignal; }

void ClearStopRequest() noexcept { StopSignal = 0; }

}  // namespace tavik::cli
