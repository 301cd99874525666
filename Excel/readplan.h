#ifndef READPLAN_H
#define READPLAN_H

#include <QVector>
#include <QtGlobal>

// The reads an export makes: rows whose registers lie close together are
// read with one request and cut out of its reply.
//
// A read may cover unused registers between its rows, up to MaxGap of them
// in one stretch, and never more than MaxRegisters in all. A read never
// covers an action register (zero capture, calibration points, resets:
// ExelToWrite::touchesActionRegister): reading them happens to do nothing on this
// transmitter, but a device that takes a read of them as the start of an
// action must not be surprised by it. A row that itself touches one is read
// on its own, as it would be row by row.
namespace ReadPlan {

// Unused registers a read may take in between two of its rows.
constexpr int MaxGap = 10;
// Registers one Modbus read of holding registers may ask for.
constexpr int MaxRegisters = 125;

// The registers of one row: 1 or 2 from address on.
struct Span
{
    quint32 address;
    int count;
};

struct Read
{
    quint32 first;
    int count;
    QVector<int> spans; // indexes of the spans it covers, by address
};

// The fewest reads under the rules above that cover every span. Spans may come
// in any order and more than once; each is in exactly one read.
QVector<Read> plan(const QVector<Span> &spans);

// One read per span, in the order given: for devices that refuse reads over
// registers they do not use.
QVector<Read> oneByOne(const QVector<Span> &spans);

} // namespace ReadPlan

#endif // READPLAN_H
