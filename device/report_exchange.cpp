#include "report_exchange.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "hid_device.h"

namespace tavik {

uint8_t CheckByte(const TFrame& frame) {
    unsigned sum = 0;
    for (std::size_t i = 2; i <= 6; ++i) sum += frame[i];
    return static_cast<uint8_t>((sum & 0xFF) ^ 0xFF);
}

void SealCommand(TFrame& frame) { frame[7] = CheckByte(frame); }

namespace {
void Note(TTransferRecord& record, std::string_view operation, std::string_view reason) noexcept {
    if (record.Ok)
        record.Reason.Clear();
    else
        record.Reason.Set(operation, reason);
}


const char* OperationName(TFeatureOp op) { return op == TFeatureOp::Get ? "GetFeature" : "SetFeature"; }
}  // namespace

bool TInstrumentPort::SendReport(const TFrame& frame) noexcept {
    if (!Device) return Transfer.Ok = false;
    Idle();  // another sequence's transfer ends first
    TFrame& unchanged = const_cast<TFrame&>(frame);  // a write only reads it
    if (!Begin(TFeatureOp::Set, unchanged))
        while (Pending_ && !Stuck_) Settle();
    return Transfer.Ok;
}

bool TInstrumentPort::ReadReport(TFrame& frame) noexcept {
    if (!Device) return Transfer.Ok = false;
    while (Pending_ && !Stuck_) Settle();
    if (!Begin(TFeatureOp::Get, frame))
        while (Pending_ && !Stuck_) Settle();
    return Transfer.Ok;
}

void TInstrumentPort::Fail(TFeatureOp op, TFrame* answer, std::string_view reason) noexcept {
    Transfer.Ok = false;
    Transfer.Reason.Set(OperationName(op), reason);
    if (op == TFeatureOp::Get && answer) {
        Transfer.Report.fill(0);
        answer->fill(0);
    }
}

bool TInstrumentPort::Begin(TFeatureOp op, TFrame& frame) noexcept {
    Transfer.Ok = false;
    if (!Device) return true;
    while (Pending_ && !Stuck_) Settle();
    if (Stuck_) {
        Fail(op, &frame, "not answering");
        return true;
    }
    if (op == TFeatureOp::Get) {
        Transfer.Report.fill(0);
    } else {
        Transfer.Report[0] = 0;
        std::copy(frame.begin(), frame.end(), Transfer.Report.begin() + 1);
    }
    bool ok = false;
    try {
        if (Device->StartFeature(op, Transfer.Report.data(), ReportSize, {&TInstrumentPort::Done, this}, ok) ==
            TTransferStart::Pending) {
            Pending_ = true;
            PendingSince_ = std::chrono::steady_clock::now();
            PendingOp_ = op;
            Answer_ = &frame;
            return false;
        }
        Transfer.Ok = ok;
        Note(Transfer, OperationName(op), Device->LastError());
    } catch (const std::exception& error) {
        Transfer.Ok = false;
        Note(Transfer, OperationName(op), error.what());
    } catch (...) {
        Transfer.Ok = false;
        Note(Transfer, OperationName(op), "unknown error");
    }
    if (op == TFeatureOp::Get) {
        if (!Transfer.Ok) Transfer.Report.fill(0);
        std::copy(Transfer.Report.begin() + 1, Transfer.Report.end(), frame.begin());
    }
    return true;
}

void TInstrumentPort::Done(void* context, bool ok) noexcept { static_cast<TInstrumentPort*>(context)->Complete(ok); }

void TInstrumentPort::Complete(bool ok) noexcept {
    if (!Pending_) return;
    Pending_ = false;
    // A transfer the system gave up on (usbhid's and uhid's five seconds) is
    // no answer: the module answers again when one goes through, or fails in
    // good time.
    const bool answered =
        ok || std::chrono::steady_clock::now() - PendingSince_ < std::chrono::milliseconds(NotAnsweringMs);
    if (Stuck_) {
        // The transfer given up on has ended: its answer is nobody's now.
        Stuck_ = false;
        SetAnswering(answered);
        if (OnFree) OnFree();
        return;
    }
    Transfer.Ok = ok;
    Note(Transfer, OperationName(PendingOp_), Device ? Device->LastError() : std::string_view("device removed"));
    if (PendingOp_ == TFeatureOp::Get) {
        if (!ok) Transfer.Report.fill(0);
        if (Answer_) std::copy(Transfer.Report.begin() + 1, Transfer.Report.end(), Answer_->begin());
    }
    Answer_ = nullptr;
    SetAnswering(answered);
    Resume();
}

void TInstrumentPort::Resume() noexcept {
    if (const std::coroutine_handle<> waiting = std::exchange(Waiting_, {})) waiting.resume();
}

bool TInstrumentPort::Settle() noexcept {
    if (!Pending_ || Stuck_) return false;
    if (!Device || !Device->WaitTransfer(NotAnsweringMs)) GiveUp();
    return true;
}

void TInstrumentPort::GiveUp() noexcept {
    Stuck_ = true;
    Fail(PendingOp_, Answer_, "not answering");
    Answer_ = nullptr;
    SetAnswering(false);
    Resume();
}

void TInstrumentPort::Abandon() noexcept {
    const bool waited = Pending_ && !Stuck_;
    const TFeatureOp op = PendingOp_;
    TFrame* answer = Answer_;
    Pending_ = false;
    Answer_ = nullptr;
    if (Stuck_) {
        Stuck_ = false;
        SetAnswering(true);
    }
    if (!waited) return;
    Fail(op, answer, "device removed");
    Resume();
}

void TInstrumentPort::CheckOverdue(int afterMs) noexcept {
    if (Pending_ && !Stuck_ && std::chrono::steady_clock::now() - PendingSince_ >= std::chrono::milliseconds(afterMs))
        SetAnswering(false);
}

void TInstrumentPort::SetAnswering(bool answering) noexcept {
    if (Answering_ == answering) return;
    Answering_ = answering;
    if (OnAnswering) OnAnswering(answering);
}

TCommandResult TInstrumentPort::LastResult() const {
    TCommandResult result;
    if (!Device) return result;
    result.Status = Transfer.Ok ? TCommandStatus::Done : TCommandStatus::Failed;
    if (!Transfer.Ok) result.Reason = Transfer.Reason;
    return result;
}

}  // namespace tavik
