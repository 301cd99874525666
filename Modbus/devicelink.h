#ifndef DEVICELINK_H
#define DEVICELINK_H

#include "Modbus/linkopener.h"
#include "Modbus/registeraccess.h"
#include "Modbus/registermap.h"

#include <QObject>
#include <QString>

class QModbusClient;

// What a link is opened with: the protocol and its address, the unit, the
// word order of 32-bit values and the time-out of every request.
struct LinkSettings
{
    bool tcp = false;
    QString host;         // TCP: a name or IPv4 address, or an IPv6 address in brackets
    int port = 502;
    QString serialPort;   // RTU: the port name (COM3, /dev/ttyUSB0)
    int baud = 9600;
    int parity = 0;       // QSerialPort::Parity code: 0 none, 2 even, 3 odd
    int dataBits = 8;
    int stopBits = 1;
    int unitId = 1;
    int wordOrder = 0;    // 0 "AB-CD" (high word first), 1 "CD-AB"
    int timeoutMs = 1000; // the connection, the test read and every request after
    int retries = 0;

    // "HOST:PORT unit N" or "PORT unit N", for messages.
    QString text() const;
};

// Who uses the link now. Polling runs only while nobody else holds it; a
// transfer or a scan takes it even from a tick under way, which then gives up
// at its next look.
enum class LinkUser { Nobody, Polling, Transfer, Scan };

// The program's one device link: the Modbus client and the settings it was
// opened with, opening and proving, closing, the register requests and who
// may use the link now. The link globals (g_connType, g_slaveId,
// g_dwordFormat) are set from here when a link is opened.
class DeviceLink : public QObject
{
    Q_OBJECT

public:
    static DeviceLink &instance();

    // Opens the link and proves it with a read of registers 0 and 1 (see
    // openAndProveLink). An unconnected client put in place beforehand
    // (setModbusClient) of the right protocol is used; otherwise one is made
    // in place of the one there may be. A link that does
    // not prove itself is left open; the caller closes it or keeps it.
    LinkProof open(const LinkSettings &settings);
    // Disconnects and destroys the client; requests still being waited for
    // end with ResultNoLink. Nothing when there is no client.
    void close();

    QModbusClient *client() const;
    bool isUp() const;
    // The settings of the last open().
    const LinkSettings &settings() const { return m_settings; }

    // count consecutive holding registers from address, of the link's unit.
    ResultCode read(quint16 address, quint16 count, quint16 *words) const;
    // Writes value into one register (count 1) or a pair (count 2, in the
    // link's word order), of the link's unit; the reply must echo the request.
    ResultCode write(quint16 address, quint16 count, quint32 value) const;
    // Reads one register block and decodes it into the device mirror; a
    // failed read leaves the mirror as it was.
    ResultCode readBlock(Block block) const;

    // Takes the link for user: polling only when nobody holds it, a transfer
    // or a scan when nobody or only polling does. False when refused.
    bool take(LinkUser user);
    // Gives the link back; nothing when user no longer holds it.
    void giveBack(LinkUser user);
    LinkUser holder() const { return m_holder; }

private:
    DeviceLink() = default;

    LinkSettings m_settings;
    LinkUser m_holder = LinkUser::Nobody;
};

#endif // DEVICELINK_H
