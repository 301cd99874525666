#ifndef R7SIM_SCALEMODEL_H
#define R7SIM_SCALEMODEL_H

#include "calibration.h"

#include <QRandomGenerator>
#include <QtGlobal>

#include <deque>

// What the model needs to know of the device's parameters. SimDevice fills it
// from the registers before every step, so a parameter written over Modbus
// takes effect on the next update.
struct ScaleConfig {
    int decimals = 2; // 0..4, raw values are scaled by 10^decimals
    qint64 division = 1; // display step in raw units, at least 1
    qint64 fullScaleRaw = 300000; // scaled by 10^decimals
    CalCurve curve; // signal to weight, from the device's calibration
    double inputMinMv = -15.0; // input range of the A/D converter
    double inputMaxMv = 15.0;
    int stabRangeDivisions = 1; // allowed spread of a stable reading
    int stabTimeMs = 500; // how long the spread must hold
    int sampleWindowMs = 1000; // flow-rate window
    bool flowPerMinute = true; // otherwise per hour
};

// Bits of the status word (register 4) that the model drives.
namespace ScaleStatus {
enum : quint16 {
    Stable = 1u << 0,
    Zero = 1u << 1,
    OverFullScale = 1u << 4,
    UnderLimit = 1u << 5,
    LoadcellOver = 1u << 6,
    LoadcellUnder = 1u << 7,
    Net = 1u << 9,
};
}

struct ScaleReading {
    qint32 grossRaw = 0; // all raw values scaled by 10^decimals
    qint32 tareRaw = 0;
    qint32 netRaw = 0;
    qint32 weightRaw = 0; // what the display shows: net while a tare is held
    double gross = 0.0; // the same in the weight unit
    double tare = 0.0;
    double net = 0.0;
    double flowRate = 0.0; // weight unit per minute or per hour
    double sensorMv = 0.0; // as converted, with the converter's noise
    double filteredMv = 0.0; // without the noise: what a calibration records
    double gainMv = 0.0; // signal above the zero point
    quint16 status = 0;
};

// The mechanics and electronics of a platform scale, without any Modbus: a load
// put on the platform makes it swing in (a damped second-order system, like a
// real platform on its load cells), the load cell turns it into a signal (see
// SimHardware), the A/D reading carries a little noise, the calibration curve
// turns the signal into a weight, and the indicator rounds to the division,
// judges stability over a time window and derives the flow rate from the
// change of the gross weight.
class ScaleModel {
public:
    explicit ScaleModel(quint32 seed = 1);

    // Load and tare are in the device's weight unit, whatever that unit is. A
    // load put down at rest skips the swing (tests want a settled platform
    // without waiting for it); the stability judgement still sees the jump.
    void setLoad(double load, bool atRest = false);
    double load() const { return m_load; }
    void setTare(double tare);
    void clearTare();
    bool tareHeld() const { return m_tareHeld; }
    double tare() const { return m_tare; }

    // Advances the platform by the given time and returns the new reading.
    const ScaleReading& advance(double seconds, const ScaleConfig& config);
    const ScaleReading& reading() const { return m_reading; }

    // Input ranges selectable by the Basic Config register 128.
    static bool inputRangeMv(int index, double* minMv, double* maxMv);

private:
    struct Sample {
        double time;
        qint64 grossRaw;
    };

    void settle(double seconds, double divisionUnits);
    bool judgeStable(const ScaleConfig& config, qint64 grossRaw);
    double flowRate(const ScaleConfig& config, qint64 grossRaw);

    QRandomGenerator m_noise;
    double m_load = 0.0;
    double m_position = 0.0; // where the platform is, in the weight unit
    double m_velocity = 0.0;
    double m_tare = 0.0;
    bool m_tareHeld = false;
    double m_time = 0.0;
    double m_stableHistoryStart = 0.0;
    std::deque<Sample> m_stableHistory;
    std::deque<Sample> m_flowHistory;
    ScaleReading m_reading;
};

#endif // R7SIM_SCALEMODEL_H
