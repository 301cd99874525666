#ifndef R7SIM_REQUESTHANDLER_H
#define R7SIM_REQUESTHANDLER_H

#include <QModbusPdu>
#include <QString>

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

    // Largest counts a single request may move (Modbus application protocol).
    static constexpr int MaxReadCount = 125;
    static constexpr int MaxWriteCount = 123;

private:
    QModbusResponse process(const QModbusRequest& request, QString* what) const;
    bool touchesFailAddress(int address, int count) const;

    SimDevice* m_device;
    const FaultSettings* m_faults;
    bool m_verbose = false;
};

#endif // R7SIM_REQUESTHANDLER_H
