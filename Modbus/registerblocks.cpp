#include "Modbus/registerblocks.h"

#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/registeraccess.h"

const RegisterBlock RegisterBlocks[RegisterBlockCount] = {
    {0, 5},       // 0 weight, status
    {28, 14},     // 1 gross, net, tare, flow rate, sensor and gain voltage
    {5, 2},       // 2 error bits
    {200, 4},     // 3 unit, decimals
    {200, 38},    // 4 Weight & CAL
    {100, 30},    // 5 Basic Config
    {300, 32},    // 6 Application inputs
    {332, 36},    // 7 Application outputs
    {500, 160},   // 8 all comparators (never read)
    {500, 120},   // 9 comparators 1-6
    {620, 40},    // 10 comparators 7-8
    {8000, 156},  // 11 Data-Trans (never read)
    {8000, 46},   // 12 serial ports
    {8100, 12},   // 13 Ethernet
    {8150, 6},    // 14 analog output
    {8900, 1311}, // 15 maintenance range (never read)
    {9156, 2},    // 16 voltage correction coefficient
    {10000, 29},  // 17 version, compile date, serial number
    {10100, 18},  // 18 MAC addresses
    {10200, 11},  // 19 remote-editing switches
};

namespace {

quint32 pairAt(const quint16 *words, int offset)
{
    return joinDword(words + offset, g_dwordFormat);
}

// The device keeps these fields high word first whatever the word order.
quint32 highFirstAt(const quint16 *words, int offset)
{
    return (quint32(words[offset]) << 16) | words[offset + 1];
}

void storeUnitAndDecimals(quint32 unit, quint32 decimals)
{
    if (unit <= 6) {
        g_mirror.live.unit = unit;
        g_mirror.weightCal[0] = unit;
    }
    if (decimals <= 4) {
        g_mirror.live.decimalPoint = decimals;
        g_mirror.weightCal[1] = decimals;
    }
}

void decodeComparators(const quint16 *words, int firstComparator, int comparators)
{
    for (int n = 0; n < comparators; ++n) {
        for (int j = 0; j < 7; ++j)
            g_mirror.comparator[1 + 8 * (firstComparator + n - 1) + j] = pairAt(words, 20 * n + 2 * j);
    }
}

} // namespace

static_assert(sizeof(DeviceMirror::blockRead) == RegisterBlockCount, "one read flag per block");

void decodeBlock(int block, const quint16 *words)
{
    DeviceMirror &m = g_mirror;
    if (block >= 0 && block < RegisterBlockCount)
        m.blockRead[block] = true;
    switch (block) {
    case BlockWeight:
        m.live.weight = pairAt(words, 0);
        m.live.status = words[4];
        break;
    case BlockLive:
        m.live.gross = pairAt(words, 0);
        m.live.net = pairAt(words, 2);
        m.live.tare = pairAt(words, 4);
        m.live.flowRate = pairAt(words, 6);
        m.live.reserved = pairAt(words, 8);
        m.live.sensorVoltage = pairAt(words, 10);
        m.live.gainVoltage = pairAt(words, 12);
        break;
    case BlockErrorBits:
        // The error word travels in the opposite order of every other pair.
        m.live.errorBits = joinDword(words, g_dwordFormat == 0 ? 1 : 0);
        break;
    case BlockUnits:
        storeUnitAndDecimals(pairAt(words, 0), pairAt(words, 2));
        break;
    case BlockWeightCal: {
        storeUnitAndDecimals(pairAt(words, 0), pairAt(words, 2));
        m.weightCal[2] = pairAt(words, 4);
        m.weightCal[3] = pairAt(words, 6);
        // Registers 208-211 are not decoded; fields 4-15 follow from 212.
        for (int field = 4; field <= 15; ++field)
            m.weightCal[field] = pairAt(words, 12 + 2 * (field - 4));
        const quint32 flowUnit = pairAt(words, 36);
        if (flowUnit < 2)
            m.weightCal[16] = flowUnit;
        break;
    }
    case BlockBasicConfig:
        for (int i = 0; i < 15; ++i)
            m.srtBasicCfgTemp[i + 1] = pairAt(words, 2 * i);
        break;
    case BlockInputs:
        for (int k = 0; k < 16; ++k)
            m.application[k] = pairAt(words, 2 * k);
        break;
    case BlockOutputs:
        for (int r = 0; r < 18; ++r)
            m.application[16 + r] = pairAt(words, 2 * r);
        break;
    case BlockComparators1To6:
        decodeComparators(words, 1, 6);
        break;
    case BlockComparators7To8:
        decodeComparators(words, 7, 2);
        break;
    case BlockSerialPorts:
        for (int g = 0; g < 3; ++g) {
            for (int k = 0; k < 6; ++k)
                m.dataTrans[7 * g + k] = words[20 * g + k];
        }
        m.dataTrans[13] = words[26];
        break;
    case BlockEthernet:
        for (int i = 0; i < 12; ++i)
            m.dataTrans[21 + i] = words[i];
        break;
    case BlockAnalogOutput:
        for (int i = 0; i < 6; ++i)
            m.analog[i] = words[i];
        break;
    case BlockVoltageCoefficient:
        m.gsrt_SysInf.voltageCoef = pairAt(words, 0);
        break;
    case BlockSystemInfo:
        m.gsrt_SysInf.u32_SoftVersion = highFirstAt(words, 0);
        m.gsrt_SysInf.compileDate = highFirstAt(words, 2);
        for (int i = 0; i < 25; ++i)
            m.gsrt_SysInf.serialNumber[i] = words[4 + i];
        break;
    case BlockMacAddresses:
        for (int i = 0; i < 6; ++i) {
            m.gsrt_SysInf.mac[i] = words[i];
            m.gsrt_SysInf.btMac[i] = words[12 + i];
        }
        break;
    case BlockRemoteSwitches:
        m.remoteSwitch[SwitchBasic] = words[0];
        m.remoteSwitch[SwitchCal] = words[2];
        m.remoteSwitch[SwitchApplication] = words[5];
        m.remoteSwitch[SwitchDataTrans] = words[7];
        m.remoteSwitch[SwitchSystem] = words[9];
        break;
    default:
        break;
    }
}
