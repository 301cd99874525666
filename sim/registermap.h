#ifndef R7SIM_REGISTERMAP_H
#define R7SIM_REGISTERMAP_H

#include <QtGlobal>

// Holding-register addresses of the transmitter as the configuration tool sees
// them. Only the registers the simulator gives a meaning to are named; every
// other address inside the map simply stores what is written to it.
namespace SimReg {

// Live block, recomputed by the scale model on every update.
constexpr int Weight = 0; // 0-1, signed 32-bit, scaled by 10^decimals
constexpr int Status = 4; // 16-bit status word
constexpr int ErrorBits = 5; // 5-6, 32-bit, opposite word order
constexpr int GrossFloat = 28; // 28-29, IEEE-754 single
constexpr int NetFloat = 30;
constexpr int TareFloat = 32;
constexpr int FlowFloat = 34;
constexpr int SensorMv = 38; // 38-39, signed, mV x 10000
constexpr int GainMv = 40; // 40-41, signed, mV x 10000
constexpr int LiveLast = 99;

// Basic Config, 15 32-bit parameters.
constexpr int BasicFirst = 100;
constexpr int BasicLast = 129;
constexpr int PresetTare = 112; // scaled by 10^decimals
constexpr int StabRange = 114; // divisions
constexpr int StabTime = 116; // ms
constexpr int InputRange = 128; // index, see ScaleModel::inputRangeMv

// Weight & CAL, 32-bit parameters.
constexpr int CalFirst = 200;
constexpr int CalLast = 237;
constexpr int Unit = 200;
constexpr int Decimals = 202;
constexpr int Division = 204;
constexpr int FullScale = 206; // scaled by 10^decimals
constexpr int ZeroCapture = 210;
constexpr int ZeroSignal = 212; // signed, mV x 10000
constexpr int CalPoint1 = 214; // 214..222, mV x 10000 when read
constexpr int LcSensitivity = 224; // mV/V x 10000
constexpr int LcCapacity = 226; // in the weight unit, no decimals
constexpr int TheoryCal = 228;
constexpr int CorrectCoef = 230; // x 100000
constexpr int SampleWindow = 232; // ms
constexpr int MaxFlowRate = 234; // scaled by 10^decimals
constexpr int FlowRateUnit = 236; // 0 per hour, 1 per minute

// Application: inputs and outputs, then eight comparators of 20 registers.
constexpr int AppIoFirst = 300;
constexpr int AppIoLast = 367;
constexpr int CompFirst = 500;
constexpr int CompLast = 659;
constexpr int CompStride = 20;

// Data-Trans: one 16-bit register per value.
constexpr int TransFirst = 8000;
constexpr int TransLast = 8155;
constexpr int Com0Id = 8000;
constexpr int Com0Dword = 8004;
constexpr int Com1Id = 8020;
constexpr int Com1Dword = 8024;
constexpr int Com2Id = 8040;
constexpr int Com2Dword = 8044;
constexpr int NetDword = 8101;
constexpr int NetIp = 8103; // 8103..8106
constexpr int NetDestIp = 8107; // 8107..8110
constexpr int NetPort = 8111;
constexpr int AnalogFirst = 8150;
constexpr int AnalogLast = 8155;

// Reset commands, one register each: writing 1 restores the factory values
// of a parameter group.
constexpr int ResetFirst = 8900;
constexpr int ResetAll = 8900;
constexpr int ResetPartial = 8901; // all but Weight & CAL
constexpr int ResetCal = 8902;
constexpr int ResetBasic = 8903;
constexpr int ResetIo = 8904;
constexpr int ResetAnalog = 8905;
constexpr int ResetApp = 8906;
constexpr int ResetDataTrans = 8907;
constexpr int ResetLast = 8907;

// System information.
constexpr int VoltageCoef = 9156; // 9156-9157, configured word order, x 10000
constexpr int SoftVersion = 10000; // 10000 high word, 10001 low word
constexpr int CompileDate = 10002; // 10002 year, 10003 month*100+day
constexpr int SerialFirst = 10004; // 13 + 12 character codes
constexpr int SerialPart1Length = 13;
constexpr int SerialPart2Length = 12;
constexpr int Mac = 10100; // 10100..10105, one byte each
constexpr int BtMac = 10112; // 10112..10117
constexpr int SysInfoFirst = 10000;
constexpr int SysInfoLast = 10117;

// Remote-edit switches (16-bit, 1 = remote editing allowed).
constexpr int RemoteFirst = 10200;
constexpr int RemoteBasic = 10200;
constexpr int RemoteCal = 10202;
constexpr int RemoteApp = 10205;
constexpr int RemoteTrans = 10207;
constexpr int RemoteSystem = 10209;
constexpr int RemoteLast = 10210;

// Highest address a read may touch.
constexpr int Last = 10210;
constexpr int Count = Last + 1;

} // namespace SimReg

#endif // R7SIM_REGISTERMAP_H
