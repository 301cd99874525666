#ifndef GROUPGRID_H
#define GROUPGRID_H

#include <QList>

class QWidget;

// Group boxes laid out in columns: as many columns as the page width allows
// (minColumns where they fit, never more than there are groups), rows at
// fixed tops. A page too narrow for minColumns gets fewer columns and more
// rows, each further row as far below the third as the third is below the
// second.
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
