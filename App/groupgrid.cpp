#include "App/groupgrid.h"

#include <QWidget>

int placeGroups(const GroupGrid &grid, const QList<QWidget *> &groups, int width)
{
    int columns = grid.minColumns;
    if (width >= grid.firstWidth)
        columns += 1 + (width - grid.firstWidth) / grid.widthStep;
    columns = qMin(columns, int(groups.size()));
    int bottom = 0;
    for (int k = 0; k < groups.size(); ++k) {
        QWidget *group = groups.at(k);
        Q_ASSERT(k / columns < 3);
        group->move(10 + grid.pitch * (k % columns), grid.rowTops[k / columns]);
        bottom = qMax(bottom, group->geometry().bottom());
    }
    return bottom;
}
