#ifndef R7SIM_FAULTSETTINGS_H
#define R7SIM_FAULTSETTINGS_H

#include <QModbusPdu>

// Misbehaviour to put on top of the device, set from the command line and
// changed at run time by console commands. Shared by every transport.
struct FaultSettings {
    // Any request that touches this register answers failCode; -1 is off.
    int failAddress = -1;
    QModbusPdu::ExceptionCode failCode = QModbusPdu::ServerDeviceFailure;
    // Every reply (exceptions included) leaves this much later.
    int delayMs = 0;
    // Requests are taken in and processed (writes still land) but never answered.
    bool noReply = false;
    // Requests are lost on the way, as on a dead line behind a live TCP
    // link: never carried out, never counted, never answered.
    bool swallow = false;
    // Reset All, Partial and Data-Trans are carried out but not answered, as by
    // a device that takes on new link settings before it replies.
    bool silentLinkResets = false;
    // Late replies: once lateAfter more requests have been taken in, the
    // replies to the next lateCount requests (-1: all) leave lateMs later, on
    // top of delayMs; lateAfter -1 is off. Each new setting bumps lateArmed,
    // which starts the count again.
    int lateAfter = -1;
    int lateMs = 0;
    int lateCount = -1;
    int lateArmed = 0;
    // Reads of two or more registers are answered with one register fewer, in
    // a well-formed frame, as by a faulty gateway.
    bool shortReads = false;
};

#endif // R7SIM_FAULTSETTINGS_H
