#include "Modbus/parameterentry.h"

#include "Modbus/linkstate.h"

#include <QDebug>

namespace {
quint16 registerCount(const ParameterEntry &entry)
{
    return entry.count == 1 ? 1 : 2;
}
} // namespace

ResultCode writeEntry(const ParameterEntry &entry, QModbusClient *client)
{
    qDebug() << "写" << "num:---" << entry.address;
    Settings request;
    request.address = entry.address;
    request.num = registerCount(entry);
    return writeParameter(client, entry.value, request);
}

quint32 readEntry(const ParameterEntry &entry, QModbusClient *client, ResultCode *result)
{
    Settings request;
    request.address = entry.address;
    request.num = registerCount(entry);
    quint16 words[2] = {0, 0};
    const ResultCode code = readRegisters(client, request, words);
    if (result)
        *result = code;
    if (code != ResultOk)
        return ReadFailedValue;
    return entryValue(entry.count, words);
}

quint32 entryValue(quint16 count, const quint16 *words)
{
    return count == 1 ? words[0] : joinDword(words, g_dwordFormat);
}
