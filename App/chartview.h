#ifndef CHARTVIEW_H
#define CHARTVIEW_H

// The chart classes under plain names: Qt 5 keeps them in the namespace
// QtCharts, Qt 6 beside the other classes. The Main Interface form promotes
// its two views through this header.
#include <QtCharts/QChartView>
#include <QtGlobal>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
QT_CHARTS_USE_NAMESPACE
#endif

#endif // CHARTVIEW_H
