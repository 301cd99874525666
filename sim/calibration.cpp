#include "calibration.h"

#include <cmath>

namespace {

double power10(int decimals)
{
    static const double table[] = { 1.0, 10.0, 100.0, 1000.0, 10000.0 };
    return table[qBound(0, decimals, 4)];
}

} // namespace

// The segment that mv falls on: its start and its weight per mV. Points set
// past the rules (the console) may repeat a signal; such a segment is flat
// rather than infinitely steep.
bool CalCurve::segmentAt(double mv, double* startMv, double* startWeight, double* slope) const
{
    if (points.isEmpty())
        return false;
    double s0 = zeroMv;
    double w0 = 0.0;
    for (int i = 0; i < points.size(); ++i) {
        const double s1 = points.at(i).first;
        const double w1 = points.at(i).second;
        // The last segment also carries everything above it.
        if (mv <= s1 || i == points.size() - 1) {
            *startMv = s0;
            *startWeight = w0;
            *slope = s1 != s0 ? (w1 - w0) / (s1 - s0) : 0.0;
            return true;
        }
        s0 = s1;
        w0 = w1;
    }
    return false;
}

double CalCurve::weightAt(double mv) const
{
    double s0 = 0.0;
    double w0 = 0.0;
    double slope = 0.0;
    if (!segmentAt(mv, &s0, &w0, &slope))
        return 0.0;
    return (w0 + (mv - s0) * slope) * correction;
}

double CalCurve::slopeAt(double mv) const
{
    double s0 = 0.0;
    double w0 = 0.0;
    double slope = 0.0;
    if (!segmentAt(mv, &s0, &w0, &slope))
        return 0.0;
    return slope * correction;
}

Calibrator::Calibrator()
    : m_zeroMv(SimHardware::DeadLoadMv)
{
    m_points[0].recorded = true;
    m_points[0].weight = SimHardware::CellCapacity;
    m_points[0].signalMv = SimHardware::signalMv(SimHardware::CellCapacity);
}

int Calibrator::seriesLength() const
{
    int n = 0;
    while (n < PointCount && m_points[n].recorded)
        ++n;
    return n;
}

quint32 Calibrator::captureZero(const CalCapture& capture)
{
    if (!capture.stable)
        return CalError::ZeroNotStable;
    if (capture.signalMv > capture.inputMaxMv)
        return CalError::ZeroOver;
    if (capture.signalMv < capture.inputMinMv)
        return CalError::ZeroUnder;
    return keyInZero(capture.signalMv, capture.inputMinMv, capture.inputMaxMv);
}

quint32 Calibrator::keyInZero(double mv, double inputMinMv, double inputMaxMv)
{
    if (mv > inputMaxMv)
        return CalError::ZeroOver;
    if (mv < inputMinMv)
        return CalError::ZeroUnder;
    const double shift = mv - m_zeroMv;
    for (Point& p : m_points) {
        if (p.recorded)
            p.signalMv += shift;
    }
    m_zeroMv = mv;
    return 0;
}

quint32 Calibrator::recordPoint(int number, qint64 weightRaw, qint64 fullScaleRaw, int decimals,
    qint64 division, const CalCapture& capture)
{
    const int index = number - 1;
    Q_ASSERT(index >= 0 && index < PointCount);

    if (weightRaw == 0)
        return CalError::WeightZero;
    if (weightRaw < 0)
        return CalError::WeightError;
    if (weightRaw > fullScaleRaw)
        return CalError::OverFullScale;
    if (seriesLength() < index)
        return CalError::NoBeforeGain;
    if (!capture.stable)
        return CalError::PointNotStable;
    if (capture.signalMv > capture.inputMaxMv)
        return CalError::PointOver;
    if (capture.signalMv < capture.inputMinMv)
        return CalError::PointUnder;

    const double scale = power10(decimals);
    const double weight = double(weightRaw) / scale;
    const double previousMv = index == 0 ? m_zeroMv : m_points[index - 1].signalMv;
    const double previousWeight = index == 0 ? 0.0 : m_points[index - 1].weight;
    // The load must have grown since the zero or the previous point, and the
    // weight with it: the same signal for two weights is no calibration.
    const double rise = capture.signalMv - previousMv;
    if (weight <= previousWeight || rise < AdCountMv)
        return CalError::WeightError;
    const double divisions = (weight - previousWeight) * scale / double(qMax<qint64>(division, 1));
    if (rise / divisions < AdCountMv)
        return CalError::OverResolution;

    m_points[index].recorded = true;
    m_points[index].weight = weight;
    m_points[index].signalMv = capture.signalMv;
    for (int i = index + 1; i < PointCount; ++i)
        m_points[i] = Point();
    return 0;
}

void Calibrator::setPointSignal(int index, double mv)
{
    if (m_points[index].recorded)
        m_points[index].signalMv = mv;
}

CalCurve Calibrator::curve(bool theory, double sensitivityMvPerV, double capacity, double correction) const
{
    CalCurve c;
    c.zeroMv = m_zeroMv;
    c.correction = correction;
    const bool dataUsable = sensitivityMvPerV > 0.0 && capacity > 0.0;
    const int n = seriesLength();
    if (dataUsable && (theory || n == 0)) {
        c.points.append({ m_zeroMv + sensitivityMvPerV * SimHardware::ExcitationV, capacity });
        return c;
    }
    for (int i = 0; i < n; ++i)
        c.points.append({ m_points[i].signalMv, m_points[i].weight });
    return c;
}
