#pragma once
// The numbers of VXI-11 (the VXIbus Consortium's TCP/IP instrument
// protocol): its ONC RPC programs, their procedures, the flags of a call and
// the errors and reasons of a reply.
#include <cstdint>

namespace tavik::net::vxi11 {

constexpr uint32_t CoreProgram = 0x0607AF;
constexpr uint32_t AbortProgram = 0x0607B0;
constexpr uint32_t Version = 1;

enum TCoreProcedure : uint32_t {
    CreateLink = 10,
    DeviceWrite = 11,
    DeviceRead = 12,
    DeviceReadStb = 13,
    DeviceTrigger = 14,
    DeviceClear = 15,
    DeviceRemote = 16,
    DeviceLocal = 17,
    DeviceLock = 18,
    DeviceUnlock = 19,
    DeviceEnableSrq = 20,
    DeviceDoCmd = 22,
    DestroyLink = 23,
    CreateInterruptChannel = 25,
    DestroyInterruptChannel = 26,
};
constexpr uint32_t DeviceAbort = 1;  // the abort channel's one procedure

// Device_Flags.
constexpr uint32_t FlagWaitLock = 0x01;
constexpr uint32_t FlagEnd = 0x08;
constexpr uint32_t FlagTermCharSet = 0x80;

// Device_ErrorCode.
enum TError : uint32_t {
    NoError = 0,
    DeviceNotAccessible = 3,
    InvalidLinkIdentifier = 4,
    ParameterError = 5,
    ChannelNotEstablished = 6,
    OperationNotSupported = 8,
    OutOfResources = 9,
    DeviceLockedByAnotherLink = 11,
    NoLockHeldByThisLink = 12,
    IoTimeout = 15,
    Abort = 23,
};

// device_read's reasons, or-ed.
constexpr uint32_t ReasonRequestCount = 0x01;
constexpr uint32_t ReasonTermChar = 0x02;
constexpr uint32_t ReasonEnd = 0x04;

}  // namespace tavik::net::vxi11
