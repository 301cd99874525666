#ifndef REGISTERBLOCKS_H
#define REGISTERBLOCKS_H

#include <QtGlobal>

// The fixed register blocks in which the device is read.
struct RegisterBlock
{
    int start;
    int count;
};

// The blocks by name: indexes into RegisterBlocks.
enum BlockNumber {
    BlockWeight = 0,          // weight, status
    BlockLive = 1,            // gross, net, tare, flow rate, sensor and gain voltage
    BlockErrorBits = 2,
    BlockUnits = 3,           // unit, decimals
    BlockWeightCal = 4,
    BlockBasicConfig = 5,
    BlockInputs = 6,          // Application inputs
    BlockOutputs = 7,         // Application outputs
    BlockComparators = 8,     // all comparators (never read)
    BlockComparators1To6 = 9,
    BlockComparators7To8 = 10,
    BlockDataTrans = 11,      // never read
    BlockSerialPorts = 12,
    BlockEthernet = 13,
    BlockAnalogOutput = 14,
    BlockMaintenance = 15,    // never read
    BlockVoltageCoefficient = 16,
    BlockSystemInfo = 17,     // version, compile date, serial number
    BlockMacAddresses = 18,
    BlockRemoteSwitches = 19,
    RegisterBlockCount = 20
};
constexpr int LargestPolledBlock = 120; // BlockComparators1To6
extern const RegisterBlock RegisterBlocks[RegisterBlockCount];

// Decodes the words of one block (count words from its start) into g_mirror,
// in the word order g_dwordFormat. Blocks without a decoding change nothing.
void decodeBlock(int block, const quint16 *words);

#endif // REGISTERBLOCKS_H
