#include "Modbus/devicelink.h"

#include "Modbus/linkstate.h"
#include "Modbus/registerblocks.h"
#include "Modbus/rtuclient.h"

#include <QModbusTcpClient>
#include <QVariant>
#include <QVarLengthArray>

QString LinkSettings::text() const
{
    if (tcp)
        return QStringLiteral("%1:%2 unit %3").arg(host).arg(port).arg(unitId);
    return QStringLiteral("%1 unit %2").arg(serialPort).arg(unitId);
}

DeviceLink &DeviceLink::instance()
{
    static DeviceLink link;
    return link;
}

QModbusClient *DeviceLink::client() const
{
    return modbusClient();
}

bool DeviceLink::isUp() const
{
    const QModbusClient *c = client();
    return c && c->state() == QModbusDevice::ConnectedState;
}

LinkProof DeviceLink::open(const LinkSettings &settings)
{
    m_settings = settings;
    QModbusClient *c = client();
    // A client of the other protocol, or one still in use, is replaced.
    const bool fits = c && c->state() == QModbusDevice::UnconnectedState
        && (settings.tcp ? qobject_cast<QModbusTcpClient *>(c) != nullptr
                         : qobject_cast<RtuSerialClient *>(c) != nullptr);
    if (!fits) {
        close();
        // No parent: the client goes in close(), before the application does.
        if (settings.tcp)
            c = new QModbusTcpClient;
        else
            c = new RtuSerialClient;
        setModbusClient(c);
        // A serial port that fails under the client (adapter pulled, line
        // gone) keeps raising errors while it stays open; close it so the
        // link reads as down. Queued: the client is inside its own handler.
        // A TCP client closes its socket by itself.
        if (!settings.tcp) {
            connect(c, &QModbusDevice::errorOccurred, c, [c](QModbusDevice::Error error) {
                if (error == QModbusDevice::ConnectionError && c->state() == QModbusDevice::ConnectedState)
                    QMetaObject::invokeMethod(c, &QModbusDevice::disconnectDevice, Qt::QueuedConnection);
            });
        }
    }

    if (settings.tcp) {
        g_connType = 1;
        c->setConnectionParameter(QModbusDevice::NetworkAddressParameter, settings.host);
        c->setConnectionParameter(QModbusDevice::NetworkPortParameter, settings.port);
    } else {
        g_connType = 0;
        c->setConnectionParameter(QModbusDevice::SerialPortNameParameter, settings.serialPort);
        c->setConnectionParameter(QModbusDevice::SerialParityParameter, settings.parity);
        c->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, settings.baud);
        c->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, settings.dataBits);
        c->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, settings.stopBits);
    }
    c->setNumberOfRetries(settings.retries);
    g_slaveId = settings.unitId;
    g_dwordFormat = settings.wordOrder;
    return openAndProveLink(c, settings.timeoutMs, settings.unitId);
}

void DeviceLink::close()
{
    QModbusClient *c = client();
    if (!c)
        return;
    setModbusClient(nullptr);
    // Requests still being waited for notice the destruction through their
    // QPointers and end with ResultNoLink.
    c->disconnectDevice();
    delete c;
}

ResultCode DeviceLink::read(quint16 address, quint16 count, quint16 *words) const
{
    Settings request;
    request.address = address;
    request.num = count;
    return readRegisters(client(), request, words);
}

ResultCode DeviceLink::write(quint16 address, quint16 count, quint32 value) const
{
    Settings request;
    request.address = address;
    request.num = count;
    return writeParameter(client(), value, request);
}

ResultCode DeviceLink::readBlock(Block block) const
{
    if (int(block) < 0 || int(block) >= RegisterBlockCount)
        return ResultDeviceError;
    const RegisterBlock &range = RegisterBlocks[int(block)];
    // Sized by the block, so even the blocks that are never polled cannot
    // overrun it.
    QVarLengthArray<quint16, LargestPolledBlock> words(range.count);
    const ResultCode result = read(quint16(range.start), quint16(range.count), words.data());
    if (result == ResultOk)
        decodeBlock(block, words.constData());
    return result;
}

bool DeviceLink::take(LinkUser user)
{
    if (user == LinkUser::Nobody)
        return false;
    const bool free = m_holder == LinkUser::Nobody
        || (m_holder == LinkUser::Polling && user != LinkUser::Polling);
    if (free)
        m_holder = user;
    return free;
}

void DeviceLink::giveBack(LinkUser user)
{
    if (m_holder == user)
        m_holder = LinkUser::Nobody;
}
