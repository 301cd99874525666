#ifndef REGISTERACCESS_H
#define REGISTERACCESS_H

#include "Modbus/settings.h"

#include <QtGlobal>

class QModbusClient;

// Result of every register operation; callers treat anything but ResultOk as failure.
enum ResultCode : int {
    ResultOk = 0,
    ResultTimeout = 1,
    ResultDeviceError = 2, // exception reply or any other failed reply
    ResultNoLink = 3       // no client, not connected, request refused, or link closing
};

// The exception code of the last exception reply; 0 when the last request got
// none. Lets a page say why the device refused something.
int lastExceptionCode();

// Returned by readParameter() in place of a value when the read fails.
constexpr quint32 ReadFailedValue = 88020200u; // 0x053F14E8

// One request for settings.num consecutive holding registers at settings.address
// of unit settings.slaveId, waited for with the event loop running. The buffer
// (at least num words) is written only when the result is ResultOk.
ResultCode readRegisters(QModbusClient *client, const Settings &settings, quint16 *buffer);
ResultCode writeRegisters(QModbusClient *client, const Settings &settings, const quint16 *buffer);

// One parameter: one register (count 1) or a 32-bit value in two registers in
// the word order g_dwordFormat.
quint32 readParameter(int address, int count);
ResultCode writeParameter(QModbusClient *client, quint32 value, Settings &settings);

// Splits and joins 32-bit values by word order (0 "AB-CD", 1 "CD-AB").
void splitDword(quint32 value, int dwordFormat, quint16 *words);
quint32 joinDword(const quint16 *words, int dwordFormat);

// Returns after at least ms milliseconds, handling events meanwhile, without
// burning CPU.
void delayMs(int ms);

#endif // REGISTERACCESS_H
