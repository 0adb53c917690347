#pragma once
// The event loop of a Qt program (QCoreApplication or QApplication must exist).
#include <QObject>

#include "common/event_loop.h"

namespace tavik {

class TQtEventLoop : public TEventLoop {
public:
    void Post(std::function<void()> call) override;
    std::unique_ptr<TLoopTimer> MakeTimer(int intervalMs, std::function<void()> tick) override;
    // A QSocketNotifier on the descriptor.
    std::unique_ptr<TLoopWatch> WatchReadable(int descriptor, std::function<void()> onReadable) override;
    // Two QSocketNotifiers, reading and writing.
    std::unique_ptr<TSocketWatch> WatchSocket(TSocketHandle socket, std::function<void()> onReadable,
                                              std::function<void()> onWritable) override;
    void ProcessEvents(int maxWaitMs) override;

private:
    QObject Context_;  // posted calls die with the loop
};

}  // namespace tavik
