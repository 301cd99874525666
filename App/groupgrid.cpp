#include "App/groupgrid.h"

#include <QWidget>

int placeGroups(const GroupGrid &grid, const QList<QWidget *> &groups, int width)
{
    int columns = grid.minColumns;
    if (width >= grid.firstWidth)
        columns += 1 + (width - grid.firstWidth) / grid.widthStep;
    columns = qMin(columns, int(groups.size()));
    int groupWidth = 0;
    for (const QWidget *group : groups)
        groupWidth = qMax(groupWidth, group->width());
    while (columns > 1 && 10 + grid.pitch * (columns - 1) + groupWidth > width)
        --columns;
    const int rowPitch = grid.rowTops[2] - grid.rowTops[1];
    int bottom = 0;
    for (int k = 0; k < groups.size(); ++k) {
        QWidget *group = groups.at(k);
        const int row = k / columns;
        const int top = row < 3 ? grid.rowTops[row] : grid.rowTops[2] + (row - 2) * rowPitch;
        group->move(10 + grid.pitch * (k % columns), top);
        bottom = qMax(bottom, group->geometry().bottom());
    }
    return bottom;
}
