#include "qt_event_loop.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

namespace tavik {

namespace {
class TQtTimer : public TLoopTimer {
public:
    TQtTimer(int intervalMs, std::function<void()> tick) {
        Timer_.setInterval(intervalMs);
        QObject::connect(&Timer_, &QTimer::timeout, [tick = std::move(tick)] { tick(); });
    }
    void Start() override { Timer_.start(); }
    void Stop() override { Timer_.stop(); }
    bool Active() const override { return Timer_.isActive(); }
    int IntervalMs() const override { return Timer_.interval(); }

private:
    QTimer Timer_;
};

class TQtWatch : public TLoopWatch {
public:
    TQtWatch(int descriptor, std::function<void()> onReadable) : Notifier_(descriptor, QSocketNotifier::Read) {
        QObject::connect(&Notifier_, &QSocketNotifier::activated, [call = std::move(onReadable)] { call(); });
    }

private:
    QSocketNotifier Notifier_;
};

// QSocketNotifier tells readiness as long as it lasts; the writing one is
// enabled only while wanted.
class TQtSocketWatch : public TSocketWatch {
public:
    TQtSocketWatch(TSocketHandle socket, std::function<void()> onReadable, std::function<void()> onWritable)
        : Reading_(socket, QSocketNotifier::Read), Writing_(socket, QSocketNotifier::Write) {
        QObject::connect(&Reading_, &QSocketNotifier::activated, [call = std::move(onReadable)] { call(); });
        Writing_.setEnabled(false);
        if (onWritable)
            QObject::connect(&Writing_, &QSocketNotifier::activated, [call = std::move(onWritable)] { call(); });
    }
    void WantWritable(bool on) override { Writing_.setEnabled(on); }
    void WantReadable(bool on) override { Reading_.setEnabled(on); }

private:
    QSocketNotifier Reading_;
    QSocketNotifier Writing_;
};
}  // namespace

void TQtEventLoop::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(&Context_, std::move(call), Qt::QueuedConnection);
}

std::unique_ptr<TLoopTimer> TQtEventLoop::MakeTimer(int intervalMs, std::function<void()> tick) {
    return std::make_unique<TQtTimer>(intervalMs, std::move(tick));
}

std::unique_ptr<TLoopWatch> TQtEventLoop::WatchReadable(int descriptor, std::function<void()> onReadable) {
    return std::make_unique<TQtWatch>(descriptor, std::move(onReadable));
}

std::unique_ptr<TSocketWatch> TQtEventLoop::WatchSocket(TSocketHandle socket, std::function<void()> onReadable,
                                                       std::function<void()> onWritable) {
    return std::make_unique<TQtSocketWatch>(socket, std::move(onReadable), std::move(onWritable));
}

void TQtEventLoop::ProcessEvents(int maxWaitMs) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, maxWaitMs);
}

}  // namespace tavik
