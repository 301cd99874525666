#ifndef R7SIM_REQUESTHANDLER_H
#define R7SIM_REQUESTHANDLER_H

#include <QModbusPdu>
#include <QString>
#include <QVector>

class SimDevice;
struct FaultSettings;

// Turns one request PDU into what the device does about it: the response, and
// whether and when it is sent. The transports add their framing and timing.
class RequestHandler {
public:
    struct Outcome {
        QModbusResponse response;
        bool silent = false; // send nothing at all
        int delayMs = 0; // hold the reply this long
    };

    RequestHandler(SimDevice* device, const FaultSettings* faults);

    void setVerbose(bool verbose) { m_verbose = verbose; }

    // origin only labels the trace of --verbose.
    Outcome handle(const QModbusRequest& request, const QString& origin);

    // Every write request (function 06 or 16) the device took in, whether it
    // was carried out or refused with an exception: a test of a page counts
    // what the page sent, not what the device liked. A malformed request or
    // one refused by a fail address counts too; it went out all the same.
    struct WriteLog {
        quint64 count = 0;
        int lastAddress = -1; // -1: no write since start or the last reset
        QVector<quint16> lastValues;
    };
    const WriteLog& writeLog() const { return m_writes; }
    void resetWriteLog() { m_writes = WriteLog(); }

    // Largest counts a single request may move (Modbus application protocol).
    static constexpr int MaxReadCount = 125;
    static constexpr int MaxWriteCount = 123;

private:
    QModbusResponse process(const QModbusRequest& request, QString* what);
    void logWrite(int address, const QVector<quint16>& values);
    bool touchesFailAddress(int address, int count) const;

    SimDevice* m_device;
    const FaultSettings* m_faults;
    bool m_verbose = false;
    WriteLog m_writes;
    int m_lateArmed = 0; // the FaultSettings::lateArmed the count below belongs to
    int m_lateCount = 0; // requests handled since late replies were set
};

#endif // R7SIM_REQUESTHANDLER_H
