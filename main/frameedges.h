#ifndef FRAMEEDGES_H
#define FRAMEEDGES_H

#include <Qt>

class QPoint;

// Where a point of the frameless main window grabs its frame.
enum FrameEdge {
    EdgeNone = 0,
    EdgeTop = 1,
    EdgeBottom = 2,
    EdgeLeft = 3,
    EdgeRight = 4,
    EdgeTopLeft = 5,
    EdgeTopRight = 6,
    EdgeBottomLeft = 7,
    EdgeBottomRight = 8
};

// Edge code (FrameEdge) of point p, in window coordinates, of a window of the
// given size. The bands are deliberately uneven and must stay so, because the
// resize behaviour operators know depends on them: the left and top bands are
// ten pixels wide and column and row 10 belong to no band; the side bands stop
// short of the corners; the bottom-right corner is one row taller than the
// other corners and reaches one row past the window.
int edgeCode(const QPoint &p, int width, int height);

Qt::CursorShape cursorForEdge(int code);

#endif // FRAMEEDGES_H
