#include "scalemodel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Natural frequency and damping of the platform: it overshoots by a few percent
// and is within a division of a 1000-division step after about 1.5 s.
constexpr double NaturalFrequency = 8.0; // rad/s
constexpr double Damping = 0.7;
constexpr double IntegrationStep = 0.005; // s, small against 1 / NaturalFrequency

// Noise stays below half a division, so a settled load that is a whole number of
// divisions reads exactly; a load between two steps flickers like a real scale.
// It is a property of the converter and its filter, sized to the present
// calibration so a steep or flat characteristic does not change how quiet the
// display is.
constexpr double NoiseDivisions = 0.25;

// Common indicator thresholds: overload above full scale plus 9 divisions,
// underload below -20 divisions.
constexpr qint64 OverloadDivisions = 9;
constexpr qint64 UnderloadDivisions = 20;

double power10(int decimals)
{
    static const double table[] = { 1.0, 10.0, 100.0, 1000.0, 10000.0 };
    return table[std::clamp(decimals, 0, 4)];
}

qint64 roundToDivision(double raw, qint64 division)
{
    // Far beyond any 32-bit register, and clear of 64-bit overflow; a curve
    // set up past the rules may even give no number at all.
    constexpr double Limit = 1e12;
    if (!std::isfinite(raw))
        return 0;
    return std::llround(std::clamp(raw, -Limit, Limit) / double(division)) * division;
}

qint32 clampRaw(qint64 raw)
{
    return qint32(
        std::clamp<qint64>(raw, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

} // namespace

ScaleModel::ScaleModel(quint32 seed)
    : m_noise(seed)
{
}

void ScaleModel::setLoad(double load, bool atRest)
{
    m_load = load;
    if (atRest) {
        m_position = load;
        m_velocity = 0.0;
    }
}

void ScaleModel::setTare(double tare)
{
    m_tare = tare;
    m_tareHeld = true;
}

void ScaleModel::clearTare()
{
    m_tare = 0.0;
    m_tareHeld = false;
}

bool ScaleModel::inputRangeMv(int index, double* minMv, double* maxMv)
{
    // 0-5, 0-10, 0-15 mV unipolar, then -5..5, -10..10, -15..15 mV bipolar.
    if (index < 0 || index > 5)
        return false;
    const double span = 5.0 * double(index % 3 + 1);
    *maxMv = span;
    *minMv = index < 3 ? 0.0 : -span;
    return true;
}

void ScaleModel::settle(double seconds, double divisionUnits)
{
    const double snap = 0.05 * divisionUnits;
    // A long pause (the host was busy) is no reason to iterate for ages: the
    // platform has come to rest long before.
    double left = std::min(seconds, 10.0);
    while (left > 0.0) {
        const double h = std::min(IntegrationStep, left);
        const double accel = NaturalFrequency * NaturalFrequency * (m_load - m_position)
            - 2.0 * Damping * NaturalFrequency * m_velocity;
        m_velocity += accel * h; // semi-implicit Euler keeps the oscillator stable
        m_position += m_velocity * h;
        left -= h;
    }
    // Once the swing is far below a division, let it come to rest exactly, so a
    // settled reading does not creep in the last digit forever.
    if (std::abs(m_load - m_position) < snap && std::abs(m_velocity) < snap) {
        m_position = m_load;
        m_velocity = 0.0;
    }
}

bool ScaleModel::judgeStable(const ScaleConfig& config, qint64 grossRaw)
{
    const double window = std::max(config.stabTimeMs, 1) / 1000.0;
    if (m_stableHistory.empty())
        m_stableHistoryStart = m_time;
    m_stableHistory.push_back({ m_time, grossRaw });
    while (!m_stableHistory.empty() && m_stableHistory.front().time < m_time - window)
        m_stableHistory.pop_front();

    if (m_time - m_stableHistoryStart < window)
        return false;
    const auto [lo, hi] = std::minmax_element(m_stableHistory.begin(), m_stableHistory.end(),
        [](const Sample& a, const Sample& b) { return a.grossRaw < b.grossRaw; });
    return hi->grossRaw - lo->grossRaw <= qint64(config.stabRangeDivisions) * config.division;
}

double ScaleModel::flowRate(const ScaleConfig& config, qint64 grossRaw)
{
    const double window = std::max(config.sampleWindowMs, 100) / 1000.0;
    m_flowHistory.push_back({ m_time, grossRaw });
    // Keep one sample at or before the window start, so the slope spans the
    // whole window once enough history exists.
    while (m_flowHistory.size() > 2 && m_flowHistory[1].time <= m_time - window)
        m_flowHistory.pop_front();

    const Sample& first = m_flowHistory.front();
    const double span = m_time - first.time;
    if (span <= 0.0)
        return 0.0;
    const double perSecond = double(grossRaw - first.grossRaw) / power10(config.decimals) / span;
    return perSecond * (config.flowPerMinute ? 60.0 : 3600.0);
}

const ScaleReading& ScaleModel::advance(double seconds, const ScaleConfig& config)
{
    const double scale = power10(config.decimals);
    const qint64 division = std::max<qint64>(config.division, 1);
    const double divisionUnits = double(division) / scale;

    m_time += std::max(seconds, 0.0);
    settle(seconds, divisionUnits);

    const double filteredMv = SimHardware::signalMv(m_position);
    const double mvPerDivision = [&] {
        const double slope = std::abs(config.curve.slopeAt(filteredMv));
        return slope > 0.0 ? divisionUnits / slope : 0.0;
    }();
    const double noise = (m_noise.generateDouble() * 2.0 - 1.0) * NoiseDivisions * mvPerDivision;

    ScaleReading r;
    r.filteredMv = filteredMv;
    r.sensorMv = filteredMv + noise;
    r.gainMv = r.sensorMv - config.curve.zeroMv;

    const qint64 gross = roundToDivision(config.curve.weightAt(r.sensorMv) * scale, division);
    const qint64 tare = m_tareHeld ? roundToDivision(m_tare * scale, division) : 0;
    r.grossRaw = clampRaw(gross);
    r.tareRaw = clampRaw(tare);
    r.netRaw = clampRaw(gross - tare);
    r.weightRaw = m_tareHeld ? r.netRaw : r.grossRaw;
    r.gross = double(r.grossRaw) / scale;
    r.tare = double(r.tareRaw) / scale;
    r.net = double(r.netRaw) / scale;

    r.flowRate = flowRate(config, gross);

    if (judgeStable(config, gross))
        r.status |= ScaleStatus::Stable;
    if (gross == 0)
        r.status |= ScaleStatus::Zero;
    if (gross > config.fullScaleRaw + OverloadDivisions * division)
        r.status |= ScaleStatus::OverFullScale;
    if (gross < -UnderloadDivisions * division)
        r.status |= ScaleStatus::UnderLimit;
    if (r.sensorMv > config.inputMaxMv)
        r.status |= ScaleStatus::LoadcellOver;
    if (r.sensorMv < config.inputMinMv)
        r.status |= ScaleStatus::LoadcellUnder;
    if (m_tareHeld)
        r.status |= ScaleStatus::Net;

    m_reading = r;
    return m_reading;
}
