#include "main/frameedges.h"

#include <QPoint>
#include <QSize>
#include <QtTest>

// The uneven grab bands of the frameless window, and the cursor of each.
class tst_FrameEdges : public QObject
{
    Q_OBJECT

private slots:
    void edges_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<QPoint>>("points");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("cursor");
        const auto row = [](const char *name, QSize size, const QList<QPoint> &points, int code, int cursor) {
            QTest::newRow(name) << size << points << code << cursor;
        };
        const int vertical = Qt::SizeVerCursor, horizontal = Qt::SizeHorCursor, arrow = Qt::ArrowCursor;
        const int falling = Qt::SizeFDiagCursor, rising = Qt::SizeBDiagCursor;
        // 1150 x 800: w = 1149, h = 799, w-20 = 1129, w-8 = 1141, h-10 = 789, h-9 = 790, h-8 = 791.
        const QSize s(1150, 800);
        row("top", s, {{11, 0}, {500, 9}, {1129, 5}}, EdgeTop, vertical);
        row("bottom from h-8", s, {{11, 791}, {1129, 799}}, EdgeBottom, vertical);
        row("left to h-10", s, {{0, 11}, {9, 789}}, EdgeLeft, horizontal);
        row("right from w-8", s, {{1141, 400}, {1149, 11}, {1149, 789}}, EdgeRight, horizontal);
        row("top-left", s, {{0, 0}, {9, 9}}, EdgeTopLeft, falling);
        row("top-right", s, {{1149, 0}, {1141, 9}}, EdgeTopRight, rising);
        row("bottom-left", s, {{0, 799}, {9, 791}}, EdgeBottomLeft, rising);
        row("bottom-right, h-9 to h+1", s, {{1149, 799}, {1141, 791}, {1149, 790}, {1149, 800}}, EdgeBottomRight,
            falling);
        row("interior, column 10", s, {{575, 400}, {10, 0}, {10, 400}}, EdgeNone, arrow);
        row("row 10", s, {{500, 10}, {5, 10}, {1149, 10}}, EdgeNone, arrow);
        row("after w-20, h-9", s, {{1130, 5}, {1130, 795}, {500, 790}, {9, 790}}, EdgeNone, arrow);
        row("before w-8, outside", s, {{1140, 400}, {500, 800}, {1150, 400}, {1149, 801}}, EdgeNone, arrow);
        // The right and bottom bands follow the size; nothing is fixed to 1150 x 800.
        const QSize big(1920, 1080);
        row("1920x1080 right", big, {{1919, 500}}, EdgeRight, horizontal);
        row("1920x1080 bottom-right", big, {{1911, 1070}}, EdgeBottomRight, falling);
        row("1920x1080 old right edge", big, {{1149, 500}}, EdgeNone, arrow);
    }
    void edges()
    {
        QFETCH(QSize, size);
        QFETCH(QList<QPoint>, points);
        QFETCH(int, code);
        QVector<int> codes;
        for (const QPoint &p : points)
            codes << edgeCode(p, size.width(), size.height());
        QCOMPARE(codes, QVector<int>(points.size(), code));
        QTEST(int(cursorForEdge(code)), "cursor");
    }
};

QTEST_APPLESS_MAIN(tst_FrameEdges)
#include "tst_frameedges.moc"
