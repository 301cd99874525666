#ifndef GROUPGRID_H
#define GROUPGRID_H

#include <QList>

class QWidget;

// Group boxes laid out in columns: as many columns as the page width allows
// (at least minColumns, never more than there are groups), rows at fixed tops.
struct GroupGrid
{
    int pitch;      // distance between column starts
    int rowTops[3];
    int minColumns; // enough to fit every group into three rows
    int firstWidth; // the width at which minColumns + 1 columns start
    int widthStep;  // the width each further column needs
};

// Moves the groups into place for a page of the given width; returns the
// bottom edge of the lowest group.
int placeGroups(const GroupGrid &grid, const QList<QWidget *> &groups, int width);

#endif // GROUPGRID_H
