#ifndef REGISTERMAP_H
#define REGISTERMAP_H

// The device's holding registers as this program uses them, each named once:
// the register blocks and their decoding, the pages' binding tables, the
// workbook parameter table, the action registers and the reset commands all
// refer to these names. A 32-bit value takes its named register and the next.
namespace Reg {

// Live values, read every tick.
constexpr int Weight = 0;        // 32-bit shown weight
constexpr int Status = 4;        // status bits
constexpr int ErrorBits = 5;     // 32-bit, its words in the opposite order of every other pair
constexpr int Gross = 28;
constexpr int Net = 30;
constexpr int Tare = 32;
constexpr int FlowRate = 34;
constexpr int LiveReserved = 36;
constexpr int SensorVoltage = 38;
constexpr int GainVoltage = 40;

// Basic Config: fifteen 32-bit parameters.
constexpr int PowerOnZero = 100;
constexpr int RemoteZero = 102;
constexpr int ZeroRange = 104;
constexpr int RemoteTare = 106;
constexpr int TareRecord = 108;
constexpr int NetSignCorrection = 110;
constexpr int PresetTare = 112;
constexpr int StableRange = 114;
constexpr int StableTime = 116;
constexpr int TrackZeroRange = 118;
constexpr int TrackZeroTime = 120;
constexpr int DigitFilter = 122;
constexpr int AdvancedFilter = 124;
constexpr int SampleRate = 126;
constexpr int InputRange = 128;

// Weight & CAL: 32-bit values; 208-209 hold nothing the program uses.
constexpr int Unit = 200;
constexpr int Decimals = 202;
constexpr int Division = 204;
constexpr int FullScale = 206;
constexpr int ZeroCapture = 210;   // action: a write records the present load as zero
constexpr int KeyInMv = 212;
constexpr int CalPoint1 = 214;     // action: points 1-5 (to 223) record the present load
constexpr int CalPoints = 5;
constexpr int LoadCellMvV = 224;
constexpr int LoadCellCapacity = 226;
constexpr int UseTheoreticalCal = 228;
constexpr int CorrectCoefficient = 230;
constexpr int SampleWindow = 232;
constexpr int MaxFlowRate = 234;
constexpr int FlowRateUnit = 236;
constexpr int calPoint(int point) { return CalPoint1 + 2 * (point - 1); } // point 1..5

// Application: 32-bit values. Input n (1..5) has a function, a mode and a
// delay; output n (1..9) a function and a mode; comparator n (1..8) owns 20
// registers, of which the first 14 hold its seven items.
constexpr int Inputs = 300;        // 300-301 are read with the inputs but hold nothing the program uses
constexpr int FirstInput = 302;
enum InputItem { InputFunction, InputMode, InputDelay, InputItems };
constexpr int input(int n, InputItem item) { return FirstInput + 2 * InputItems * (n - 1) + 2 * item; }
constexpr int Outputs = 332;
enum OutputItem { OutputFunction, OutputMode, OutputItems };
constexpr int output(int n, OutputItem item) { return Outputs + 2 * OutputItems * (n - 1) + 2 * item; }
constexpr int Comparators = 500;
constexpr int ComparatorStride = 20;
enum ComparatorItem { CompMode, CompValue1, CompValue2, CompOnCond, CompJudgeTime, CompOffCond, CompHoldTime,
                      ComparatorItems };
constexpr int comparator(int n, ComparatorItem item) { return Comparators + ComparatorStride * (n - 1) + 2 * item; }

// Data-Trans: 16-bit registers. Serial port p (0..2) owns 20 registers.
constexpr int ComPorts = 8000;
constexpr int ComPortStride = 20;
enum ComItem { ComId, ComBaudrate, ComProtocol, ComDataFormat, ComDwordFormat, ComSendGap, ComItems };
constexpr int comPort(int port, ComItem item) { return ComPorts + ComPortStride * port + item; }
constexpr int Com1Type = 8026;     // COM 1: RS485 or RS232
constexpr int NetProtocol = 8100;
constexpr int NetDwordFormat = 8101;
constexpr int NetSendGap = 8102;
constexpr int LocalIp = 8103;      // four registers, one per byte
constexpr int DestinationIp = 8107; // likewise
constexpr int NetSocket = 8111;
constexpr int AnalogType = 8150;
constexpr int AnalogMinOut = 8151;
constexpr int AnalogZeroOut = 8152;
constexpr int AnalogFullScaleOut = 8153;
constexpr int AnalogMaxOut = 8154;
constexpr int AnalogLinkData = 8155;

// Reset commands: writing 1 resets a group of parameters.
constexpr int ResetAll = 8900;
constexpr int ResetPartial = 8901;
constexpr int ResetCal = 8902;
constexpr int ResetBasic = 8903;
constexpr int ResetIo = 8904;
constexpr int ResetAnalog = 8905;
constexpr int ResetApplication = 8906;
constexpr int ResetDataTrans = 8907;

// System information.
constexpr int VoltageCoefficient = 9156; // 32-bit
constexpr int SoftVersion = 10000;       // 32-bit, high word first
constexpr int CompileDate = 10002;       // likewise
constexpr int SerialNumber = 10004;      // 25 registers, one character each
constexpr int SerialNumberLength = 25;
constexpr int Mac = 10100;               // six registers, one per byte
constexpr int BluetoothMac = 10112;      // likewise
constexpr int MacLength = 6;

// Remote-editing switches: 0 means the device refuses remote edits of the group.
constexpr int RemoteSwitches = 10200;
constexpr int SwitchBasic = 10200;
constexpr int SwitchCal = 10202;
constexpr int SwitchApplication = 10205;
constexpr int SwitchDataTrans = 10207;
constexpr int SwitchSystem = 10209;

} // namespace Reg

// The fixed register blocks in which the device is read (their extents are in
// RegisterBlocks, registerblocks.cpp).
enum class Block {
    Weight,               // weight, status
    Live,                 // gross, net, tare, flow rate, sensor and gain voltage
    ErrorBits,
    Units,                // unit, decimals
    WeightCal,
    BasicConfig,
    Inputs,               // Application inputs
    Outputs,              // Application outputs
    Comparators,          // all comparators (never read)
    Comparators1To6,
    Comparators7To8,
    DataTrans,            // never read
    SerialPorts,
    Ethernet,
    AnalogOutput,
    Maintenance,          // never read
    VoltageCoefficient,
    SystemInfo,           // version, compile date, serial number
    MacAddresses,
    RemoteSwitches,
};
constexpr int RegisterBlockCount = int(Block::RemoteSwitches) + 1;

#endif // REGISTERMAP_H
