#include "Modbus/registerblocks.h"

#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/registeraccess.h"

const RegisterBlock RegisterBlocks[RegisterBlockCount] = {
    {Reg::Weight, 5},              // weight, status
    {Reg::Gross, 14},              // gross, net, tare, flow rate, sensor and gain voltage
    {Reg::ErrorBits, 2},
    {Reg::Unit, 4},                // unit, decimals
    {Reg::Unit, 38},               // Weight & CAL
    {Reg::PowerOnZero, 30},        // Basic Config
    {Reg::Inputs, 32},
    {Reg::Outputs, 36},
    {Reg::Comparators, 160},       // all comparators (never read)
    {Reg::Comparators, 120},       // comparators 1-6
    {Reg::comparator(7, Reg::CompMode), 40},
    {Reg::ComPorts, 156},          // Data-Trans (never read)
    {Reg::ComPorts, 46},           // serial ports
    {Reg::NetProtocol, 12},        // Ethernet
    {Reg::AnalogType, 6},          // analog output
    {Reg::ResetAll, 1311},         // maintenance range (never read)
    {Reg::VoltageCoefficient, 2},
    {Reg::SoftVersion, 29},        // version, compile date, serial number
    {Reg::Mac, 18},                // MAC addresses
    {Reg::RemoteSwitches, 11},
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

// The words of a block start at its first register.
int offset(Block block, int address)
{
    return address - RegisterBlocks[int(block)].start;
}

void decodeComparators(Block block, const quint16 *words, int firstComparator, int comparators)
{
    for (int n = firstComparator; n < firstComparator + comparators; ++n) {
        for (int j = 0; j < Reg::ComparatorItems; ++j)
            g_mirror.comparator[1 + 8 * (n - 1) + j] =
                pairAt(words, offset(block, Reg::comparator(n, Reg::ComparatorItem(j))));
    }
}

} // namespace

static_assert(sizeof(DeviceMirror::blockRead) == RegisterBlockCount, "one read flag per block");

bool blockWasRead(Block block)
{
    return g_mirror.blockRead[int(block)];
}

void decodeBlock(Block block, const quint16 *words)
{
    DeviceMirror &m = g_mirror;
    const int index = int(block);
    if (index < 0 || index >= RegisterBlockCount)
        return;
    m.blockRead[index] = true;
    const auto at = [block](int address) { return offset(block, address); };
    switch (block) {
    case Block::Weight:
        m.live.weight = pairAt(words, at(Reg::Weight));
        m.live.status = words[at(Reg::Status)];
        break;
    case Block::Live:
        m.live.gross = pairAt(words, at(Reg::Gross));
        m.live.net = pairAt(words, at(Reg::Net));
        m.live.tare = pairAt(words, at(Reg::Tare));
        m.live.flowRate = pairAt(words, at(Reg::FlowRate));
        m.live.reserved = pairAt(words, at(Reg::LiveReserved));
        m.live.sensorVoltage = pairAt(words, at(Reg::SensorVoltage));
        m.live.gainVoltage = pairAt(words, at(Reg::GainVoltage));
        break;
    case Block::ErrorBits:
        // The error word travels in the opposite order of every other pair.
        m.live.errorBits = joinDword(words + at(Reg::ErrorBits), g_dwordFormat == 0 ? 1 : 0);
        break;
    case Block::Units:
        storeUnitAndDecimals(pairAt(words, at(Reg::Unit)), pairAt(words, at(Reg::Decimals)));
        break;
    case Block::WeightCal: {
        storeUnitAndDecimals(pairAt(words, at(Reg::Unit)), pairAt(words, at(Reg::Decimals)));
        m.weightCal[2] = pairAt(words, at(Reg::Division));
        m.weightCal[3] = pairAt(words, at(Reg::FullScale));
        // The zero capture is not decoded; fields 4-15 follow from the key-in zero.
        for (int field = 4; field <= 15; ++field)
            m.weightCal[field] = pairAt(words, at(Reg::KeyInMv) + 2 * (field - 4));
        const quint32 flowUnit = pairAt(words, at(Reg::FlowRateUnit));
        if (flowUnit < 2)
            m.weightCal[16] = flowUnit;
        break;
    }
    case Block::BasicConfig:
        for (int i = 0; i < 15; ++i)
            m.srtBasicCfgTemp[i + 1] = pairAt(words, at(Reg::PowerOnZero) + 2 * i);
        break;
    case Block::Inputs:
        for (int k = 0; k < 16; ++k)
            m.application[k] = pairAt(words, at(Reg::Inputs) + 2 * k);
        break;
    case Block::Outputs:
        for (int r = 0; r < 18; ++r)
            m.application[16 + r] = pairAt(words, at(Reg::Outputs) + 2 * r);
        break;
    case Block::Comparators1To6:
        decodeComparators(block, words, 1, 6);
        break;
    case Block::Comparators7To8:
        decodeComparators(block, words, 7, 2);
        break;
    case Block::SerialPorts:
        for (int g = 0; g < 3; ++g) {
            for (int k = 0; k < Reg::ComItems; ++k)
                m.dataTrans[7 * g + k] = words[at(Reg::comPort(g, Reg::ComItem(k)))];
        }
        m.dataTrans[13] = words[at(Reg::Com1Type)];
        break;
    case Block::Ethernet:
        for (int i = 0; i < 12; ++i)
            m.dataTrans[21 + i] = words[at(Reg::NetProtocol) + i];
        break;
    case Block::AnalogOutput:
        for (int i = 0; i < 6; ++i)
            m.analog[i] = words[at(Reg::AnalogType) + i];
        break;
    case Block::VoltageCoefficient:
        m.gsrt_SysInf.voltageCoef = pairAt(words, at(Reg::VoltageCoefficient));
        break;
    case Block::SystemInfo:
        m.gsrt_SysInf.u32_SoftVersion = highFirstAt(words, at(Reg::SoftVersion));
        m.gsrt_SysInf.compileDate = highFirstAt(words, at(Reg::CompileDate));
        for (int i = 0; i < Reg::SerialNumberLength; ++i)
            m.gsrt_SysInf.serialNumber[i] = words[at(Reg::SerialNumber) + i];
        break;
    case Block::MacAddresses:
        for (int i = 0; i < Reg::MacLength; ++i) {
            m.gsrt_SysInf.mac[i] = words[at(Reg::Mac) + i];
            m.gsrt_SysInf.btMac[i] = words[at(Reg::BluetoothMac) + i];
        }
        break;
    case Block::RemoteSwitches:
        m.remoteSwitch[SwitchBasic] = words[at(Reg::SwitchBasic)];
        m.remoteSwitch[SwitchCal] = words[at(Reg::SwitchCal)];
        m.remoteSwitch[SwitchApplication] = words[at(Reg::SwitchApplication)];
        m.remoteSwitch[SwitchDataTrans] = words[at(Reg::SwitchDataTrans)];
        m.remoteSwitch[SwitchSystem] = words[at(Reg::SwitchSystem)];
        break;
    case Block::Comparators:
    case Block::DataTrans:
    case Block::Maintenance:
        break;
    }
}
