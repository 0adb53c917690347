#pragma once
// What one command to a module did, and why not when it did not: the answer
// every instrument command gives its front-end, which words it. The reason is
// the one the failed transfer left, copied without allocating.
#include "common/failure_reason.h"

namespace tavik {

enum class TCommandStatus {
    Done,      // sent, and the module took it (and answered, for a read)
    NotBound,  // no module of the kind is bound: nothing was sent
    NotSent,   // the command cannot carry what was asked (a frequency no list has)
    Failed,    // a transfer with the module failed: Reason says why
};

struct TCommandResult {
    TCommandStatus Status = TCommandStatus::NotBound;
    TFailureReason Reason;  // with Failed, the platform's; else empty

    bool Done() const { return Status == TCommandStatus::Done; }
};

}  // namespace tavik
