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
};

#endif // R7SIM_FAULTSETTINGS_H
