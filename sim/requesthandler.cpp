#include "requesthandler.h"

#include "faultsettings.h"
#include "registermap.h"
#include "simdevice.h"

#include <QtEndian>

#include <cstdio>

namespace {

QModbusExceptionResponse exception(const QModbusRequest& request, QModbusPdu::ExceptionCode code)
{
    return QModbusExceptionResponse(request.functionCode(), code);
}

QModbusPdu::ExceptionCode toException(SimDevice::Access access)
{
    switch (access) {
    case SimDevice::Access::IllegalValue:
        return QModbusPdu::IllegalDataValue;
    case SimDevice::Access::Locked:
        return QModbusPdu::IllegalFunction;
    default:
        break;
    }
    return QModbusPdu::IllegalDataAddress;
}

// Reset All, Partial and Data-Trans may change the device's link settings.
bool touchesLinkReset(const QModbusRequest& request)
{
    const bool single = request.functionCode() == QModbusPdu::WriteSingleRegister;
    if (!single && request.functionCode() != QModbusPdu::WriteMultipleRegisters)
        return false;
    const QByteArray data = request.data();
    if (data.size() < 4)
        return false;
    const int address = qFromBigEndian<quint16>(data.constData());
    const int count = single ? 1 : qFromBigEndian<quint16>(data.constData() + 2);
    for (int reg : { SimReg::ResetAll, SimReg::ResetPartial, SimReg::ResetDataTrans }) {
        if (reg >= address && reg < address + count)
            return true;
    }
    return false;
}

} // namespace

RequestHandler::RequestHandler(SimDevice* device, const FaultSettings* faults)
    : m_device(device)
    , m_faults(faults)
{
}

bool RequestHandler::touchesFailAddress(int address, int count) const
{
    const int fail = m_faults->failAddress;
    return fail >= 0 && fail >= address && fail < address + count;
}

void RequestHandler::logWrite(int address, const QVector<quint16>& values)
{
    ++m_writes.count;
    m_writes.lastAddress = address;
    m_writes.lastValues = values;
}

QModbusResponse RequestHandler::process(const QModbusRequest& request, QString* what)
{
    // A request whose length does not fit its function code is malformed.
    const int expectedSize = QModbusRequest::calculateDataSize(request);
    const bool known = request.functionCode() == QModbusPdu::ReadHoldingRegisters
        || request.functionCode() == QModbusPdu::WriteSingleRegister
        || request.functionCode() == QModbusPdu::WriteMultipleRegisters;
    if (!known) {
        *what = QStringLiteral("function 0x%1").arg(int(request.functionCode()), 2, 16, QLatin1Char('0'));
        return exception(request, QModbusPdu::IllegalFunction);
    }
    if (expectedSize < 0 || request.dataSize() != expectedSize) {
        if (request.functionCode() != QModbusPdu::ReadHoldingRegisters) {
            const QByteArray data = request.data();
            const int address = data.size() >= 2 ? qFromBigEndian<quint16>(data.constData()) : -1;
            logWrite(address, {});
        }
        *what = QStringLiteral("malformed function 0x%1")
                    .arg(int(request.functionCode()), 2, 16, QLatin1Char('0'));
        return exception(request, QModbusPdu::IllegalDataValue);
    }

    switch (request.functionCode()) {
    case QModbusPdu::ReadHoldingRegisters: {
        quint16 address = 0;
        quint16 count = 0;
        request.decodeData(&address, &count);
        *what = QStringLiteral("read %1+%2").arg(address).arg(count);
        if (count < 1 || count > MaxReadCount)
            return exception(request, QModbusPdu::IllegalDataValue);
        if (touchesFailAddress(address, count))
            return exception(request, m_faults->failCode);
        QVector<quint16> values;
        const SimDevice::Access access = m_device->readRegisters(address, count, &values);
        if (access != SimDevice::Access::Ok)
            return exception(request, toException(access));
        return QModbusResponse(request.functionCode(), quint8(count * 2), values);
    }
    case QModbusPdu::WriteSingleRegister: {
        quint16 address = 0;
        quint16 value = 0;
        request.decodeData(&address, &value);
        *what = QStringLiteral("write %1 = %2").arg(address).arg(value);
        logWrite(address, { value });
        if (touchesFailAddress(address, 1))
            return exception(request, m_faults->failCode);
        const SimDevice::Access access = m_device->writeRegisters(address, { value });
        if (access != SimDevice::Access::Ok)
            return exception(request, toException(access));
        return QModbusResponse(request.functionCode(), address, value);
    }
    case QModbusPdu::WriteMultipleRegisters: {
        const QByteArray data = request.data();
        const quint16 address = qFromBigEndian<quint16>(data.constData());
        const quint16 count = qFromBigEndian<quint16>(data.constData() + 2);
        const quint8 bytes = quint8(data.at(4));
        *what = QStringLiteral("write %1+%2").arg(address).arg(count);
        if (count < 1 || count > MaxWriteCount || bytes != count * 2) {
            logWrite(address, {});
            return exception(request, QModbusPdu::IllegalDataValue);
        }
        QVector<quint16> values(count);
        for (int i = 0; i < count; ++i)
            values[i] = qFromBigEndian<quint16>(data.constData() + 5 + 2 * i);
        logWrite(address, values);
        if (touchesFailAddress(address, count))
            return exception(request, m_faults->failCode);
        const SimDevice::Access access = m_device->writeRegisters(address, values);
        if (access != SimDevice::Access::Ok)
            return exception(request, toException(access));
        return QModbusResponse(request.functionCode(), address, count);
    }
    default:
        break;
    }
    return exception(request, QModbusPdu::IllegalFunction);
}

RequestHandler::Outcome RequestHandler::handle(const QModbusRequest& request, const QString& origin)
{
    Outcome outcome;
    if (m_faults->swallow) {
        outcome.silent = true;
        if (m_verbose) {
            std::fprintf(stderr, "r7sim: %s request swallowed\n", qPrintable(origin));
            std::fflush(stderr);
        }
        return outcome;
    }
    QString what;
    outcome.response = process(request, &what);
    // A refused reset changed nothing, so the device still answers it.
    outcome.silent = m_faults->noReply
        || (m_faults->silentLinkResets && !outcome.response.isException() && touchesLinkReset(request));
    outcome.delayMs = m_faults->delayMs;
    if (m_faults->lateAfter >= 0) {
        if (m_lateArmed != m_faults->lateArmed) {
            m_lateArmed = m_faults->lateArmed;
            m_lateCount = 0;
        }
        const int index = m_lateCount++;
        if (index >= m_faults->lateAfter
            && (m_faults->lateCount < 0 || index < m_faults->lateAfter + m_faults->lateCount))
            outcome.delayMs += m_faults->lateMs;
    }
    if (m_faults->shortReads && request.functionCode() == QModbusPdu::ReadHoldingRegisters
        && !outcome.response.isException() && outcome.response.dataSize() >= 5) {
        // Byte count and values, less the last register.
        const QByteArray data = outcome.response.data();
        outcome.response.setData(char(quint8(data.at(0)) - 2) + data.mid(1, data.size() - 3));
    }

    if (m_verbose) {
        QString result;
        if (outcome.response.isException())
            result = QStringLiteral("exception %1").arg(int(outcome.response.exceptionCode()));
        else
            result = QStringLiteral("ok");
        if (outcome.silent)
            result += QStringLiteral(", not answered");
        else if (outcome.delayMs > 0)
            result += QStringLiteral(", answered after %1 ms").arg(outcome.delayMs);
        std::fprintf(
            stderr, "r7sim: %s %s -> %s\n", qPrintable(origin), qPrintable(what), qPrintable(result));
        std::fflush(stderr);
    }
    return outcome;
}
