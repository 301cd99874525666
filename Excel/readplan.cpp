#include "Excel/readplan.h"

#include "Excel/exeltowrite.h"

#include <algorithm>
#include <numeric>

namespace ReadPlan {

namespace {

quint64 lastOf(quint32 first, int count)
{
    return quint64(first) + quint64(qMax(1, count)) - 1;
}

// A span that may share a read: no action register in it, and inside the
// register space (a two-register row at 65535 is left to fail on its own).
bool mayShare(const Span &span)
{
    return !ExelToWrite::touchesActionRegister(span.address, span.count)
        && lastOf(span.address, span.count) <= 0xFFFF;
}

} // namespace

QVector<Read> plan(const QVector<Span> &spans)
{
    QVector<int> order(spans.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&spans](int a, int b) { return spans[a].address < spans[b].address; });

    QVector<Read> reads;
    bool lastTakesMore = false;
    for (int index : order) {
        const Span &span = spans[index];
        const bool shares = mayShare(span);
        if (lastTakesMore && shares) {
            Read &read = reads.last();
            const quint64 readLast = lastOf(read.first, read.count);
            const quint64 count = qMax(readLast, lastOf(span.address, span.count)) - read.first + 1;
            // The count check comes first: it keeps the int below in range.
            if (span.address <= readLast + 1 + MaxGap && count <= quint64(MaxRegisters)
                && !ExelToWrite::touchesActionRegister(read.first, int(count))) {
                read.count = int(count);
                read.spans << index;
                continue;
            }
        }
        reads.append({span.address, qMax(1, span.count), {index}});
        lastTakesMore = shares;
    }
    return reads;
}

QVector<Read> oneByOne(const QVector<Span> &spans)
{
    QVector<Read> reads;
    reads.reserve(spans.size());
    for (int i = 0; i < spans.size(); ++i)
        reads.append({spans[i].address, qMax(1, spans[i].count), {i}});
    return reads;
}

} // namespace ReadPlan
