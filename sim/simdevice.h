#ifndef R7SIM_SIMDEVICE_H
#define R7SIM_SIMDEVICE_H

#include "calibration.h"
#include "scalemodel.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVector>

// The transmitter itself, without any transport: the holding-register store
// with its factory values, the rules for reading and writing it, and the live
// scale whose readings are copied into the live block on every update. The
// Modbus servers only translate requests into readRegisters/writeRegisters.
class SimDevice : public QObject {
    Q_OBJECT

public:
    // How a 32-bit value is split over two registers: HighFirst is "AB-CD" (the
    // high 16 bits in the lower register), LowFirst is "CD-AB".
    enum class WordOrder { HighFirst, LowFirst };

    // Outcome of a register access, mapped to Modbus exceptions by the caller.
    // Locked: the remote-editing switch of the register's page is off.
    enum class Access { Ok, IllegalAddress, IllegalValue, Locked };

    explicit SimDevice(WordOrder order = WordOrder::HighFirst, int unitId = 1, QObject* parent = nullptr);

    WordOrder wordOrder() const { return m_order; }

    // Reads succeed anywhere in the map (unused addresses read 0).
    Access readRegisters(int address, int count, QVector<quint16>* values) const;
    // Writes are all or nothing: every register must be a parameter, command or
    // switch register; live values and system information are read-only. A
    // page whose remote-editing switch is off refuses writes to all of its
    // registers (Locked); the switches themselves stay writable. Writes to
    // the calibration registers carry out the calibration steps (see
    // applyCalibrationWrite).
    Access writeRegisters(int address, const QVector<quint16>& values);
    static bool isReadable(int address, int count);
    static bool isWritable(int address, int count);

    // Direct register access for the console, past the write rules: no remote
    // lock, no calibration step. A zero or point signal set this way becomes
    // the calibration's. A live register set this way holds until the next
    // update rewrites it.
    quint16 peek(int address) const;
    void poke(int address, quint16 value);
    quint32 read32(int address) const;

    // The remote-editing switch register for a page name of --remote-off
    // (basic, cal, app, data, system); 0 for an unknown name.
    static int remoteSwitchFor(const QString& name);

    // Sets one field of the system information, which is read-only over
    // Modbus: version N (32-bit), date YEAR:MMDD (the two 16-bit registers),
    // serial TEXT (25 printable ASCII characters), mac and btmac
    // XX-XX-XX-XX-XX-XX, coef N (x 10000, 32-bit). False with a message in
    // *error for an unknown field or a bad value.
    bool setSystemInfo(const QString& field, const QString& value, QString* error);

    const Calibrator& calibrator() const { return m_cal; }

    // atRest: the platform is at rest on the new load at once.
    void setLoad(double load, bool atRest = false);
    double load() const { return m_scale.load(); }
    void setTare(double tare);
    void clearTare();
    bool tareHeld() const { return m_scale.tareHeld(); }
    void setErrorBits(quint32 bits);
    quint32 errorBits() const { return m_errorBits; }
    int decimals() const;
    const ScaleReading& reading() const { return m_scale.reading(); }

    // Live updates on a timer; update() advances by the time since the last one.
    void start(int periodMs = 100);
    void stop();
    void update();

private:
    void loadFactoryValues(int unitId);
    void set16(int address, quint16 value);
    void set32(int address, quint32 value);
    void setFloat(int address, float value);
    ScaleConfig scaleConfig() const;
    void publish(const ScaleReading& reading);
    void refresh();
    void applyWrite(int address, int count);
    void applyResets(int address, int count);
    bool lockedFor(int address, int count, int* switchRegister) const;
    void applyCalibrationWrite(int address, const QVector<quint16>& before);
    void restore(int first, int last, int address, const QVector<quint16>& before);
    CalCapture capture();
    void reportCalibration(quint32 bits);
    void syncCalibrationRegisters();

    QVector<quint16> m_registers;
    // The registers and calibration as they left the factory, for the resets.
    QVector<quint16> m_factoryRegisters;
    Calibrator m_factoryCal;
    WordOrder m_order;
    ScaleModel m_scale;
    Calibrator m_cal;
    quint32 m_errorBits = 0;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

#endif // R7SIM_SIMDEVICE_H
