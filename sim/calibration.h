#ifndef R7SIM_CALIBRATION_H
#define R7SIM_CALIBRATION_H

#include <QPair>
#include <QVector>
#include <QtGlobal>

// The simulated hardware: one load cell under the platform, fed by the
// transmitter's excitation. The load of the console is in the weight unit, so
// the cell's capacity is too.
namespace SimHardware {
constexpr double ExcitationV = 5.0;
constexpr double CellOutputMvPerV = 2.0;
constexpr double CellCapacity = 3000.0;
constexpr double DeadLoadMv = 0.1234; // the empty platform

constexpr double signalMv(double load)
{
    return DeadLoadMv + load / CellCapacity * CellOutputMvPerV * ExcitationV;
}
} // namespace SimHardware

// Bits 0..12 of the error word: the outcome of the last calibration step.
namespace CalError {
enum : quint32 {
    ZeroNotStable = 1u << 0,
    ZeroOver = 1u << 1, // signal above the input range at zero capture
    ZeroUnder = 1u << 2,
    PointNotStable = 1u << 3,
    PointOver = 1u << 4, // signal above the input range at a point capture
    PointUnder = 1u << 5,
    WeightError = 1u << 6,
    WeightZero = 1u << 7,
    OverFullScale = 1u << 8,
    OverResolution = 1u << 9,
    NoBeforeGain = 1u << 10,
    HardwareProtect = 1u << 11, // never raised: the simulated device has no protect jumper
    RemoteBan = 1u << 12,
    Mask = (1u << 13) - 1,
};
}

// The weighing characteristic: sensor signal in mV to weight in the weight
// unit. A polyline through (zero, 0) and the points, extended beyond both ends
// by its first and last segment, then multiplied by the correction.
struct CalCurve {
    double zeroMv = 0.0;
    QVector<QPair<double, double>> points; // (signal mV, weight), both ascending
    double correction = 1.0;

    bool isValid() const { return !points.isEmpty(); }
    double weightAt(double mv) const;
    // Weight per mV of the segment that mv falls on (0 when not valid).
    double slopeAt(double mv) const;

private:
    bool segmentAt(double mv, double* startMv, double* startWeight, double* slope) const;
};

// What the device sees at the moment of a capture.
struct CalCapture {
    double signalMv = 0.0; // filtered: the platform's signal without A/D noise
    bool stable = false;
    double inputMinMv = -15.0;
    double inputMaxMv = 15.0;
};

// The calibration memory of the transmitter and its rules. Signals are kept at
// the converter's resolution; the registers show them rounded to 0.0001 mV,
// which alone would cost a division or more on a finely divided scale.
//
// Rules the device follows:
// - Zero capture records the present signal as the zero; key-in sets it. Either
//   way the recorded points move with the zero by the same amount, so the span
//   (signal per weight) is kept: re-zeroing after a dead-load change needs no
//   new span calibration.
// - Points form a series recorded in order: point k needs point k-1 recorded
//   (point 1 needs only the zero). Recording point k discards points k+1..5;
//   so entering point 1 starts a new series.
// - A step that fails changes nothing and reports the bit of the first check
//   it fails, in the order listed at each step.
class Calibrator {
public:
    static constexpr int PointCount = 5;

    struct Point {
        bool recorded = false;
        double weight = 0.0; // in the weight unit
        double signalMv = 0.0;
    };

    // Factory state: 0.1234 mV dead load, point 1 at 3000 (weight unit) with
    // 10.1234 mV, which matches the simulated load cell.
    Calibrator();

    double zeroMv() const { return m_zeroMv; }
    const Point& point(int index) const { return m_points[index]; } // 0-based
    // Number of points recorded without a gap from point 1.
    int seriesLength() const;

    // Each returns 0 on success, else one CalError bit.
    // Zero capture: not stable (0), above (1) or below (2) the input range.
    quint32 captureZero(const CalCapture& capture);
    // Key-in zero: above (1) or below (2) the input range.
    quint32 keyInZero(double mv, double inputMinMv, double inputMaxMv);
    // Point number 1..5, weightRaw and fullScaleRaw scaled by 10^decimals:
    // weight 0 (7), negative weight (6), above full scale (8), previous point
    // missing (10), not stable (3), above (4) or below (5) the input range, no
    // rise in signal or weight since the zero or the previous point (6), less
    // than one converter count per division (9).
    quint32 recordPoint(int number, qint64 weightRaw, qint64 fullScaleRaw, int decimals, qint64 division,
        const CalCapture& capture);

    // Console access past the rules (the set command): no checks, no shift.
    void setZeroMv(double mv) { m_zeroMv = mv; }
    void setPointSignal(int index, double mv);

    // The characteristic from the recorded points, or from the load-cell data
    // when theoretical calibration is on and its data are usable. Without a
    // usable point the load-cell data serve as well, so the scale never goes
    // blind.
    CalCurve curve(bool theory, double sensitivityMvPerV, double capacity, double correction) const;

    // One count of the converter: 30 mV span over 24 bits.
    static constexpr double AdCountMv = 30.0 / 16777216.0;

private:
    double m_zeroMv;
    Point m_points[PointCount];
};

#endif // R7SIM_CALIBRATION_H
