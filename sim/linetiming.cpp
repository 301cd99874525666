#include "linetiming.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double NsPerSecond = 1e9;
constexpr int FastLineBaud = 19200;
constexpr double FastLineSilenceNs = 1750000.0;

} // namespace

LineTiming::LineTiming(int baud, int dataBits, bool parity, int stopBits)
    : m_baud(std::max(baud, 1))
    , m_bitsPerCharacter(1 + dataBits + (parity ? 1 : 0) + stopBits)
{
}

double LineTiming::characterExactNs() const
{
    return m_bitsPerCharacter * NsPerSecond / m_baud;
}

double LineTiming::silenceExactNs() const
{
    const double silence = 3.5 * characterExactNs();
    return m_baud > FastLineBaud ? std::max(silence, FastLineSilenceNs) : silence;
}

qint64 LineTiming::characterNs() const
{
    return std::llround(characterExactNs());
}

qint64 LineTiming::silenceNs() const
{
    return std::llround(silenceExactNs());
}

qint64 LineTiming::exchangeNs(int requestBytes, int replyBytes) const
{
    return std::llround(2.0 * silenceExactNs() + (requestBytes + replyBytes) * characterExactNs());
}

qint64 LineTiming::replyHoldNs(int requestBytes, int replyBytes) const
{
    return std::llround(silenceExactNs() + (requestBytes + replyBytes) * characterExactNs());
}
