#include "main/frameedges.h"

#include <QPoint>

int edgeCode(const QPoint &p, int width, int height)
{
    const int x = p.x();
    const int y = p.y();
    const int w = width - 1;
    const int h = height - 1;

    const bool leftBand = x <= 9;
    const bool rightBand = x >= w - 8 && x <= w;
    const bool topBand = y <= 9;
    const bool bottomBand = y >= h - 8 && y <= h;

    if (leftBand && topBand)
        return EdgeTopLeft;
    if (rightBand && topBand)
        return EdgeTopRight;
    if (leftBand && bottomBand)
        return EdgeBottomLeft;
    if (rightBand && y >= h - 9 && y <= h + 1)
        return EdgeBottomRight;
    if (topBand && x >= 11 && x <= w - 20)
        return EdgeTop;
    if (bottomBand && x >= 11 && x <= w - 20)
        return EdgeBottom;
    if (leftBand && y >= 11 && y <= h - 10)
        return EdgeLeft;
    if (rightBand && y >= 11 && y < h - 9)
        return EdgeRight;
    return EdgeNone;
}

Qt::CursorShape cursorForEdge(int code)
{
    switch (code) {
    case EdgeTop:
    case EdgeBottom:
        return Qt::SizeVerCursor;
    case EdgeLeft:
    case EdgeRight:
        return Qt::SizeHorCursor;
    case EdgeTopLeft:
    case EdgeBottomRight:
        return Qt::SizeFDiagCursor;
    case EdgeTopRight:
    case EdgeBottomLeft:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}
