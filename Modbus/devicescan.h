#ifndef DEVICESCAN_H
#define DEVICESCAN_H

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QVector>

class QModbusClient;
class QModbusReply;

// One setting of a serial line; baud 0 on TCP.
struct ScanLine
{
    int baud = 0;
    int parity = 0; // QSerialPort::Parity code: 0 none, 2 even, 3 odd

    bool operator==(const ScanLine &other) const { return baud == other.baud && parity == other.parity; }
};

// Where to look, and what to try first (the settings in use).
struct ScanTarget
{
    bool tcp = false;
    QString device; // serial port
    int dataBits = 8;
    int stopBits = 1;
    QString host;   // TCP, an IPv6 address in brackets
    int port = 502;
    ScanLine present{9600, 0};
    int presentUnit = 1;
    int firstUnit = 1;
    int lastUnit = 247;  // on TCP unit 255 is asked as well unless the range is narrowed
    bool withUnit255 = true;
    QVector<ScanLine> lines; // the serial settings to try; empty: every supported one
};

// A device that answered the test read.
struct ScanHit
{
    int unit = 0;
    ScanLine line;
    int dataBits = 8;
    int stopBits = 1;
    int exception = 0; // the exception code it answered with; 0: registers 0 and 1

    QString format() const; // "8E1"
    QString text() const;   // "unit 37, 19200 baud, 8E1", TCP "unit 37"
};

struct ScanProbe
{
    int line = 0; // index into the lines tried
    int unit = 0;
};

// Finds devices on a serial line or behind a TCP address by the link's test
// read (registers 0 and 1), in the order devices are usually found: the
// settings in use first, then units 1 and 247 at every line setting, then every
// unit at each line setting. Each probe waits for the frames' time on the line
// plus a turnaround, not the link's time-out. An exception reply proves a device
// as well as the registers do. Runs on the event loop, no nested waits: start(),
// then the signals; stop() ends it at once.
class DeviceScan : public QObject
{
    Q_OBJECT

public:
    explicit DeviceScan(const ScanTarget &target, QObject *parent = nullptr);
    ~DeviceScan() override;

    static QVector<ScanLine> supportedLines();
    // The lines in the order tried (the present one first) and the probes.
    static QVector<ScanLine> orderedLines(const ScanTarget &target);
    static QVector<ScanProbe> order(const ScanTarget &target);
    // How long one probe waits for its answer.
    static int probeTimeoutMs(const ScanTarget &target, const ScanLine &line);

    void setStopAtFirst(bool stop) { m_stopAtFirst = stop; }
    void start();
    void stop();
    bool isRunning() const { return m_running; }
    QVector<ScanHit> hits() const { return m_hits; }
    int total() const { return m_probes.size(); }

signals:
    void progress(int done, int total, qint64 msLeft, const ScanHit &probed); // probed: the unit and line just asked
    void found(const ScanHit &hit);
    // stopped: by stop() or at the first hit; problem: why nothing could be
    // probed (a port that opens at no setting, no TCP connection), or empty.
    void finished(bool stopped, const QString &problem);

private:
    void next();
    bool openLine(int line);
    void sendProbe(int index);
    void probeEnded(int index, QModbusReply *reply);
    void finish(bool stopped, const QString &problem);
    qint64 msLeft() const;

    ScanTarget m_target;
    QVector<ScanLine> m_lines;
    QVector<ScanProbe> m_probes;
    QVector<int> m_probeMs;
    QPointer<QModbusClient> m_client;
    QSet<int> m_deadLines; // lines the port would not open at
    QString m_openProblem;
    QVector<QPointer<QModbusReply>> m_pending;
    QElapsedTimer m_clock;
    qint64 m_doneNominalMs = 0;
    qint64 m_leftNominalMs = 0;
    int m_openLine = -1;
    int m_next = 0;
    int m_done = 0;
    bool m_running = false;
    bool m_stopAtFirst = false;
    QVector<ScanHit> m_hits;
};

#endif // DEVICESCAN_H
