#include "Modbus/wordorder.h"

#include "Modbus/devicemirror.h"
#include "Modbus/registeraccess.h"
#include "Modbus/registerblocks.h"

int suspectWordOrder(const WordPair *pairs, int count, int format)
{
    const int other = format == 0 ? 1 : 0;
    bool onlyOther = false;
    for (int i = 0; i < count; ++i) {
        const WordPair &p = pairs[i];
        const quint32 asRead = joinDword(p.words, format);
        const quint32 swapped = joinDword(p.words, other);
        const bool fitsRead = asRead >= p.min && asRead <= p.max;
        const bool fitsSwapped = swapped >= p.min && swapped <= p.max;
        if (fitsRead && !fitsSwapped)
            return -1;
        onlyOther = onlyOther || (fitsSwapped && !fitsRead);
    }
    return onlyOther ? other : -1;
}

int suspectWordOrder(const DeviceMirror &mirror, int format)
{
    if (!mirror.blockRead[int(Block::WeightCal)])
        return -1;
    WordPair pairs[] = {{{0, 0}, 1, 500}, {{0, 0}, 0, 999999}};
    splitDword(mirror.weightCal[2], format, pairs[0].words);  // division, 204-205
    splitDword(mirror.weightCal[11], format, pairs[1].words); // load-cell capacity, 226-227
    return suspectWordOrder(pairs, 2, format);
}
