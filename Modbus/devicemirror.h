#ifndef DEVICEMIRROR_H
#define DEVICEMIRROR_H

#include <QtGlobal>

// Live values decoded from the header blocks.
struct LiveFields
{
    quint32 weight = 0;         // signed 32-bit, scaled by 10^decimalPoint
    quint32 status = 0;         // register 4
    quint32 errorBits = 0;      // registers 5-6, opposite word order
    quint32 gross = 0;          // IEEE-754 single bits
    quint32 net = 0;
    quint32 tare = 0;
    quint32 flowRate = 0;
    quint32 reserved = 0;       // registers 36-37
    quint32 sensorVoltage = 0;  // signed, mV x 10000
    quint32 gainVoltage = 0;    // signed, mV x 10000
    quint32 unit = 0;           // index into UnitNames, 0..6
    quint32 decimalPoint = 0;   // 0..4
};

// System information of the Test Maintain page.
struct SystemInfo
{
    quint32 u32_SoftVersion = 0;
    quint32 compileDate = 0;          // year << 16 | month * 100 + day
    quint32 serialNumber[25] = {};    // one character code each
    quint32 mac[6] = {};
    quint32 btMac[6] = {};
    quint32 voltageCoef = 0;          // x 10000
};

// Remote-editing switches, in the order of their registers.
enum RemoteSwitch {
    SwitchBasic = 0,       // 10200
    SwitchCal = 1,         // 10202
    SwitchApplication = 2, // 10205
    SwitchDataTrans = 3,   // 10207
    SwitchSystem = 4,      // 10209
    SwitchCount = 5
};

// The program's copy of the device's registers, written only by the decoding
// of a successful block read. Record fields are unsigned 32-bit slots in the
// order of their pages' binding tables.
struct DeviceMirror
{
    LiveFields live;

    // Weight & CAL, registers 200-237. Fields 0 and 1 (unit, decimals) are
    // kept equal to live.unit and live.decimalPoint.
    quint32 weightCal[17] = {};
    // Basic Config, registers 100-129 as fields 1-15; field 0 unused.
    quint32 srtBasicCfgTemp[16] = {};
    // Application inputs (fields 0-15, registers 300-331) and outputs
    // (fields 16-33, registers 332-367).
    quint32 application[34] = {};
    // Comparators: field 1 + 8 * (n - 1) + j is item j of comparator n.
    quint32 comparator[64] = {};
    // Data-Trans: serial port g item k at 7 * g + k, COM 1 type at 13,
    // network 21-32; the analog output registers 8150-8155.
    quint32 dataTrans[33] = {};
    quint16 analog[6] = {};

    SystemInfo gsrt_SysInf;
    quint16 remoteSwitch[SwitchCount] = {};

    // Which register blocks (by number) were read over the present link.
    bool blockRead[20] = {};
    // Counts the links made: a page that last showed an earlier link's device
    // holds values, and perhaps typed texts, that belong to another device.
    quint32 link = 0;
};

extern DeviceMirror g_mirror;

// A new link may lead to another device: nothing read so far describes it.
void forgetDevice();

#endif // DEVICEMIRROR_H
