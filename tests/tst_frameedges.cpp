#include "main/frameedges.h"

#include <QPoint>
#include <QtTest>

class tst_FrameEdges : public QObject
{
    Q_OBJECT

private slots:
    void edgeCodes_data();
    void edgeCodes();
    void cursors_data();
    void cursors();
};

void tst_FrameEdges::edgeCodes_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("code");

    // 1150 x 800: w = 1149, h = 799, so w-20 = 1129, w-8 = 1141, h-10 = 789,
    // h-9 = 790, h-8 = 791.
    const int W = 1150;
    const int H = 800;

    QTest::newRow("interior") << W << H << QPoint(575, 400) << int(EdgeNone);

    QTest::newRow("top, first column") << W << H << QPoint(11, 0) << int(EdgeTop);
    QTest::newRow("top, row 9") << W << H << QPoint(500, 9) << int(EdgeTop);
    QTest::newRow("top, last column w-20") << W << H << QPoint(1129, 5) << int(EdgeTop);
    QTest::newRow("top, gap after w-20") << W << H << QPoint(1130, 5) << int(EdgeNone);
    QTest::newRow("row 10 is no edge") << W << H << QPoint(500, 10) << int(EdgeNone);

    QTest::newRow("bottom, first row h-8") << W << H << QPoint(11, 791) << int(EdgeBottom);
    QTest::newRow("bottom, last column w-20") << W << H << QPoint(1129, 799) << int(EdgeBottom);
    QTest::newRow("bottom, gap after w-20") << W << H << QPoint(1130, 795) << int(EdgeNone);
    QTest::newRow("above the bottom band, h-9") << W << H << QPoint(500, 790) << int(EdgeNone);
    QTest::newRow("below the window, h+1") << W << H << QPoint(500, 800) << int(EdgeNone);

    QTest::newRow("left, first row 11") << W << H << QPoint(0, 11) << int(EdgeLeft);
    QTest::newRow("left, column 9") << W << H << QPoint(9, 400) << int(EdgeLeft);
    QTest::newRow("left, last row h-10") << W << H << QPoint(9, 789) << int(EdgeLeft);
    QTest::newRow("left, gap at h-9") << W << H << QPoint(9, 790) << int(EdgeNone);
    QTest::newRow("left, gap at row 10") << W << H << QPoint(5, 10) << int(EdgeNone);

    QTest::newRow("right, first column w-8") << W << H << QPoint(1141, 400) << int(EdgeRight);
    QTest::newRow("right, first row 11") << W << H << QPoint(1149, 11) << int(EdgeRight);
    QTest::newRow("right, last row h-10") << W << H << QPoint(1149, 789) << int(EdgeRight);
    QTest::newRow("right, row 10 is no edge") << W << H << QPoint(1149, 10) << int(EdgeNone);
    QTest::newRow("right, left of w-8") << W << H << QPoint(1140, 400) << int(EdgeNone);
    QTest::newRow("right of the window, w+1") << W << H << QPoint(1150, 400) << int(EdgeNone);

    QTest::newRow("top-left, origin") << W << H << QPoint(0, 0) << int(EdgeTopLeft);
    QTest::newRow("top-left, inner corner") << W << H << QPoint(9, 9) << int(EdgeTopLeft);
    QTest::newRow("top-right, outer corner") << W << H << QPoint(1149, 0) << int(EdgeTopRight);
    QTest::newRow("top-right, inner corner") << W << H << QPoint(1141, 9) << int(EdgeTopRight);
    QTest::newRow("bottom-left, outer corner") << W << H << QPoint(0, 799) << int(EdgeBottomLeft);
    QTest::newRow("bottom-left, inner corner") << W << H << QPoint(9, 791) << int(EdgeBottomLeft);
    QTest::newRow("bottom-right, outer corner") << W << H << QPoint(1149, 799) << int(EdgeBottomRight);
    QTest::newRow("bottom-right, inner corner") << W << H << QPoint(1141, 791) << int(EdgeBottomRight);
    QTest::newRow("bottom-right, from h-9") << W << H << QPoint(1149, 790) << int(EdgeBottomRight);
    QTest::newRow("bottom-right, to h+1") << W << H << QPoint(1149, 800) << int(EdgeBottomRight);
    QTest::newRow("bottom-right, not h+2") << W << H << QPoint(1149, 801) << int(EdgeNone);

    QTest::newRow("column 10, top") << W << H << QPoint(10, 0) << int(EdgeNone);
    QTest::newRow("column 10, middle") << W << H << QPoint(10, 400) << int(EdgeNone);

    // The right and bottom bands follow the size; nothing is fixed to 1150 x 800.
    QTest::newRow("1920x1080 right") << 1920 << 1080 << QPoint(1919, 500) << int(EdgeRight);
    QTest::newRow("1920x1080 bottom-right") << 1920 << 1080 << QPoint(1911, 1070) << int(EdgeBottomRight);
    QTest::newRow("1920x1080 old right edge") << 1920 << 1080 << QPoint(1149, 500) << int(EdgeNone);
}

void tst_FrameEdges::edgeCodes()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QPoint, point);
    QFETCH(int, code);

    QCOMPARE(edgeCode(point, width, height), code);
}

void tst_FrameEdges::cursors_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("shape");

    QTest::newRow("none") << int(EdgeNone) << int(Qt::ArrowCursor);
    QTest::newRow("top") << int(EdgeTop) << int(Qt::SizeVerCursor);
    QTest::newRow("bottom") << int(EdgeBottom) << int(Qt::SizeVerCursor);
    QTest::newRow("left") << int(EdgeLeft) << int(Qt::SizeHorCursor);
    QTest::newRow("right") << int(EdgeRight) << int(Qt::SizeHorCursor);
    QTest::newRow("top-left") << int(EdgeTopLeft) << int(Qt::SizeFDiagCursor);
    QTest::newRow("bottom-right") << int(EdgeBottomRight) << int(Qt::SizeFDiagCursor);
    QTest::newRow("top-right") << int(EdgeTopRight) << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-left") << int(EdgeBottomLeft) << int(Qt::SizeBDiagCursor);
}

void tst_FrameEdges::cursors()
{
    QFETCH(int, code);
    QFETCH(int, shape);

    QCOMPARE(int(cursorForEdge(code)), shape);
}

QTEST_APPLESS_MAIN(tst_FrameEdges)
#include "tst_frameedges.moc"
