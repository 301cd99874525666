#ifndef WORDORDER_H
#define WORDORDER_H

#include <QtGlobal>

struct DeviceMirror;

// A 32-bit parameter as two registers, in the order they came, and the range
// its value must lie in.
struct WordPair
{
    quint16 words[2];
    quint32 min;
    quint32 max;
};

// The word order (0 "AB-CD", 1 "CD-AB") the pairs point to when they make
// sense only in the order other than format: at least one pair lies in its
// range only the other way, and none only this way. -1 otherwise (the order
// is right, or the values cannot tell).
int suspectWordOrder(const WordPair *pairs, int count, int format);

// The same for a device's Weight & CAL block as read with format: the
// division (1..500) and the load-cell capacity (0..999999). -1 when the
// block has not been read on this link.
int suspectWordOrder(const DeviceMirror &mirror, int format);

#endif // WORDORDER_H
