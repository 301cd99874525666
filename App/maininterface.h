#ifndef MAININTERFACE_H
#define MAININTERFACE_H

#include <QDateTime>
#include <QString>
#include <QWidget>
#include <QtCharts/QChartGlobal>
#include <QtGlobal>

QT_BEGIN_NAMESPACE
namespace Ui { class MainInterface; }
QT_END_NAMESPACE

// Qt 5 keeps the chart classes in the namespace QtCharts, Qt 6 beside the others.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
QT_CHARTS_BEGIN_NAMESPACE
#else
QT_BEGIN_NAMESPACE
#endif
class QChart;
class QChartView;
class QDateTimeAxis;
class QSplineSeries;
class QValueAxis;
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
QT_CHARTS_END_NAMESPACE
QT_CHARTS_USE_NAMESPACE
#else
QT_END_NAMESPACE
#endif

// Two live curves of chosen quantities over the last 60 seconds, one point
// per refresh tick, each curve with its own pause button.
class MainInterface : public QWidget
{
    Q_OBJECT

public:
    // Index of a quantity in the combo boxes.
    enum Quantity { Gross = 0, Net, Tare, SensorVoltage, GainVoltage, FlowRate, QuantityCount };
    static constexpr int CurveCount = 2;
    static constexpr int WindowSeconds = 60;

    explicit MainInterface(QWidget *parent = nullptr);
    ~MainInterface() override;

    // Run by the main window each time the page becomes current.
    void enterPage();
    // Lays the page out for a window of the given width in pixels.
    void adjustLayout(int width);

    // Curves are numbered 0 and 1 (the form's _1 and _2).
    void clearCurve(int curve);
    void setCurveParameter(int curve, int parameter);
    // The plot background stays the same grey in both styles.
    void setChartTheme(bool light);

    // updateDraw() with the clock given, so a day of ticks can be replayed at once.
    void updateDrawAt(const QDateTime &now);

public slots:
    // One refresh tick: a point per running curve, stamped with the local time.
    void updateDraw();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_comboBox_MonitorParam_1_currentIndexChanged(int index);
    void on_comboBox_MonitorParam_2_currentIndexChanged(int index);
    void on_pushButton_Pause_1_clicked();
    void on_pushButton_Pause_2_clicked();

private:
    void setupChart(int curve);
    void togglePause(int curve);
    void autoScale(int curve, double value);
    void appendPoint(int curve, qint64 nowMs, qint64 windowStartMs, double value);
    void retitleCurves();

    QChartView *m_chartView[CurveCount] = {};
    QDateTimeAxis *m_timeAxis[CurveCount] = {};
    QValueAxis *m_valueAxis[CurveCount] = {};
    QSplineSeries *m_series[CurveCount] = {};
    QChart *m_chart[CurveCount] = {};
    bool m_running[CurveCount] = {true, true};
    Ui::MainInterface *ui;
    int m_parameter[CurveCount] = {Gross, Gross};
    // Auto-scaling extremes belong to the quantity, so two curves showing the
    // same quantity share one range.
    double m_maximum[QuantityCount] = {};
    double m_minimum[QuantityCount] = {};
    // Quantity each curve last scaled for; a different one starts a new range.
    int m_lastScaled[CurveCount] = {Gross, Gross};
    // Device units the axis titles were built with (-1: none yet).
    int m_titleUnit = -1;
    int m_titleTimeUnit = -1;
};

#endif // MAININTERFACE_H
