#ifndef PARAMETERENTRY_H
#define PARAMETERENTRY_H

#include "Modbus/registeraccess.h"

#include <QtGlobal>

class QModbusClient;

// One parameter of a workbook row.
struct ParameterEntry
{
    quint32 value = 0;
    qint32 address = 0;
    quint16 count = 1; // 1 one register, 2 a 32-bit integer, 3 an IEEE-754 single (its bits)
};

ResultCode writeEntry(const ParameterEntry &entry, QModbusClient *client);

// Returns the value, or ReadFailedValue when the read fails; the result code
// (when asked for) tells a failed read from a register that holds that value.
quint32 readEntry(const ParameterEntry &entry, QModbusClient *client, ResultCode *result = nullptr);

// The value of an entry of that count whose registers are words (one, or two
// in the word order g_dwordFormat).
quint32 entryValue(quint16 count, const quint16 *words);

#endif // PARAMETERENTRY_H
