#include "App/maininterface.h"
#include "ui_maininterface.h"

#include "Modbus/devicemirror.h"
#include "Modbus/presentation.h"

#include <QComboBox>
#include <QDebug>
#include <QEvent>
#include <QPen>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QSplineSeries>
#include <QtCharts/QValueAxis>

#include <cmath>
#include <cstring>


namespace {

const QColor PlotBackground(200, 200, 200);
const int LabelPointSize = 9;

double fromFloatBits(quint32 bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return double(value);
}

// Voltages arrive as signed mV x 10000 in an unsigned slot.
double millivolts(quint32 raw)
{
    return double(qint32(raw)) / 10000.0;
}

double quantityValue(int parameter)
{
    const LiveFields &live = g_mirror.live;
    switch (parameter) {
    case MainInterface::Gross:
        return fromFloatBits(live.gross);
    case MainInterface::Net:
        return fromFloatBits(live.net);
    case MainInterface::Tare:
        return fromFloatBits(live.tare);
    case MainInterface::SensorVoltage:
        return millivolts(live.sensorVoltage);
    case MainInterface::GainVoltage:
        return millivolts(live.gainVoltage);
    case MainInterface::FlowRate:
        return fromFloatBits(live.flowRate);
    default:
        return 0.0;
    }
}

int weightUnit()
{
    return int(g_mirror.live.unit);
}

int timeUnit()
{
    return int(g_mirror.weightCal[16]);
}

} // namespace

MainInterface::MainInterface(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::MainInterface)
{
    ui->setupUi(this);
    // The banner is only for a device that refuses remote edits.
    ui->widget_top->hide();

    for (QComboBox *box : findChildren<QComboBox *>())
        box->installEventFilter(this);

    m_chartView[0] = ui->QChartView_Monitor_1;
    m_chartView[1] = ui->QChartView_Monitor_2;
    for (int curve = 0; curve < CurveCount; ++curve)
        setupChart(curve);
    setChartTheme(false);

    // Titles before the first entry, so the page never shows bare axes.
    setCurveParameter(0, ui->comboBox_MonitorParam_1->currentIndex());
    setCurveParameter(1, ui->comboBox_MonitorParam_2->currentIndex());
}

MainInterface::~MainInterface()
{
    delete ui;
}

void MainInterface::setupChart(int curve)
{
    auto *chart = new QChart;
    auto *series = new QSplineSeries;
    auto *timeAxis = new QDateTimeAxis;
    auto *valueAxis = new QValueAxis;

    chart->legend()->hide();

    timeAxis->setTickCount(12);
    timeAxis->setFormat(QStringLiteral("hh:mm:ss"));
    valueAxis->setTickCount(6);

    const QPen axisPen(Qt::darkGreen, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QList<QAbstractAxis *> axes = {timeAxis, valueAxis};
    for (QAbstractAxis *axis : axes) {
        // Twelve hh:mm:ss labels only fit the group's width at 9 pt; the chart
        // would otherwise take the platform's font size and elide them.
        QFont labels = axis->labelsFont();
        labels.setPointSize(LabelPointSize);
        axis->setLabelsFont(labels);
        axis->setGridLineVisible(false);
        axis->setGridLineColor(Qt::darkBlue);
        axis->setLinePen(axisPen);
    }
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(valueAxis, Qt::AlignLeft);

    series->setColor(curve == 0 ? Qt::red : Qt::blue);
    chart->addSeries(series);
    series->attachAxis(timeAxis);
    series->attachAxis(valueAxis);

    // The view made a chart of its own; the scene gives it up without deleting it.
    QChartView *view = m_chartView[curve];
    QChart *placeholder = view->chart();
    view->setChart(chart);
    if (placeholder != chart)
        delete placeholder;
    view->setRenderHint(QPainter::Antialiasing);

    m_chart[curve] = chart;
    m_series[curve] = series;
    m_timeAxis[curve] = timeAxis;
    m_valueAxis[curve] = valueAxis;
}

void MainInterface::setChartTheme(bool light)
{
    // The grey plot area reads well under both styles; the flag is kept so the
    // style switch has one place to change should the styles ever differ.
    Q_UNUSED(light)
    for (QChart *chart : m_chart)
        chart->setBackgroundBrush(QBrush(PlotBackground, Qt::SolidPattern));
}

void MainInterface::enterPage()
{
    // A page that was hidden during a language change still shows the old texts.
    ui->retranslateUi(this);
    qDebug() << "Into Main Interface-------------";

    clearCurve(0);
    setCurveParameter(0, ui->comboBox_MonitorParam_1->currentIndex());
    clearCurve(1);
    setCurveParameter(1, ui->comboBox_MonitorParam_2->currentIndex());

    // retranslateUi put "Pause" back on both buttons; a paused curve stays paused.
    ui->pushButton_Pause_1->setText(m_running[0] ? tr("Pause") : tr("Start"));
    ui->pushButton_Pause_2->setText(m_running[1] ? tr("Pause") : tr("Start"));

    std::fill(std::begin(m_maximum), std::end(m_maximum), 0.0);
    std::fill(std::begin(m_minimum), std::end(m_minimum), 0.0);
}

void MainInterface::adjustLayout(int width)
{
    if (width > 1919) {
        ui->widget_Monitor_1->move(30, 10);
        ui->widget_Monitor_2->move(950, 10);
    } else {
        // 100 px in, or centred on a page too narrow for that.
        const int x = qBound(10, (width - ui->widget_Monitor_1->width()) / 2, 100);
        ui->widget_Monitor_1->move(x, 10);
        ui->widget_Monitor_2->move(x, 380);
    }
    ui->scrollAreaWidgetContents->setMinimumWidth(width);
    ui->scrollAreaWidgetContents->setMaximumWidth(width);
}

void MainInterface::clearCurve(int curve)
{
    if (curve < 0 || curve >= CurveCount)
        return;
    // Partial updates leave traces of the removed spline behind.
    m_chartView[curve]->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    m_series[curve]->clear();
}

void MainInterface::setCurveParameter(int curve, int parameter)
{
    if (curve < 0 || curve >= CurveCount)
        return;
    m_parameter[curve] = parameter;

    const QString weight = UnitNames.value(weightUnit());
    QString name;
    QString unit;
    switch (parameter) {
    case Gross:
        name = tr("Gross");
        unit = weight;
        break;
    case Net:
        name = tr("Net");
        unit = weight;
        break;
    case Tare:
        name = tr("Tare");
        unit = weight;
        break;
    case SensorVoltage:
        name = tr("Sensor Volt");
        unit = QStringLiteral("mV");
        break;
    case GainVoltage:
        name = tr("Gain Volt");
        unit = QStringLiteral("mV");
        break;
    case FlowRate:
        name = tr("Flow Rate");
        unit = weight + QLatin1Char('/') + TimeUnitNames.value(timeUnit());
        break;
    default:
        break;
    }
    m_titleUnit = weightUnit();
    m_titleTimeUnit = timeUnit();

    m_timeAxis[curve]->setTitleText(tr("Real Time/s"));
    if (name.isEmpty())
        m_valueAxis[curve]->setTitleText(QString());
    else if (parameter == FlowRate)
        m_valueAxis[curve]->setTitleText(QStringLiteral("%1 %2").arg(name, unit));
    else
        m_valueAxis[curve]->setTitleText(QStringLiteral("%1/%2").arg(name, unit));
}

void MainInterface::updateDraw()
{
    updateDrawAt(QDateTime::currentDateTime());
}

void MainInterface::updateDrawAt(const QDateTime &now)
{
    const qint64 nowMs = now.toMSecsSinceEpoch();
    // The time axis ends at the next whole second and moves once a second:
    // laying out its twelve time labels again is most of a tick's work, and
    // the newest point is still always in view.
    const qint64 endMs = nowMs + (1000 - nowMs % 1000) % 1000;
    const QDateTime windowEnd = QDateTime::fromMSecsSinceEpoch(endMs);
    const QDateTime windowStart = windowEnd.addSecs(-WindowSeconds);

    for (int curve = 0; curve < CurveCount; ++curve) {
        if (!m_running[curve])
            continue;
        const double value = quantityValue(m_parameter[curve]);
        m_timeAxis[curve]->setRange(windowStart, windowEnd);
        // A non-number from the device would stretch the range for good.
        if (!std::isfinite(value))
            continue;
        autoScale(curve, value);
        appendPoint(curve, nowMs, windowStart.toMSecsSinceEpoch(), value);
    }

    // The shared unit cache may already have taken the change on another page
    // or in the header, and the flow-rate time unit has no cache at all: the
    // units the titles were built with decide as well.
    const bool unitSeen = unitChanged(false);
    if (unitSeen || weightUnit() != m_titleUnit || timeUnit() != m_titleTimeUnit)
        retitleCurves();
}

void MainInterface::retitleCurves()
{
    setCurveParameter(0, ui->comboBox_MonitorParam_1->currentIndex());
    setCurveParameter(1, ui->comboBox_MonitorParam_2->currentIndex());
}

void MainInterface::autoScale(int curve, double value)
{
    int p = m_parameter[curve];
    if (p < 0 || p >= QuantityCount)
        p = Gross;

    double lo = 0.0;
    double hi = 0.0;
    if (p == m_lastScaled[curve]) {
        lo = m_minimum[p];
        hi = m_maximum[p];
    } else {
        m_lastScaled[curve] = p;
        m_minimum[p] = 0.0;
        m_maximum[p] = 0.0;
    }
    if (value < lo)
        m_minimum[p] = lo = value;
    if (value > hi)
        m_maximum[p] = hi = value;

    // The extremes start at 0, so the range always holds 0 and a half again
    // of the largest excursion on either side.
    if (lo != 0.0)
        m_valueAxis[curve]->setRange(1.5 * lo, 1.5 * hi);
    else if (hi == 0.0)
        m_valueAxis[curve]->setRange(0.0, 15.0);
    else
        m_valueAxis[curve]->setRange(0.0, 1.5 * hi);
}

void MainInterface::appendPoint(int curve, qint64 nowMs, qint64 windowStartMs, double value)
{
    QSplineSeries *series = m_series[curve];
    const int count = series->count();

    // Points are in time order. Those stamped after now (the clock was set
    // back) are never in view again; of those before the window only the last
    // one is kept, so the line still enters at the left edge. Dropping them
    // keeps every tick as cheap as the first.
    int drop = 0;
    while (drop < count && series->at(drop).x() > double(nowMs))
        ++drop;
    while (drop + 1 < count && series->at(drop + 1).x() <= double(windowStartMs))
        ++drop;

    if (drop == 0) {
        series->append(double(nowMs), value);
        return;
    }
    // One replacement instead of a removal and an append: the chart
    // recomputes the curve once.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    QList<QPointF> points = series->points();
#else
    QVector<QPointF> points = series->pointsVector();
#endif
    points.remove(0, drop);
    points.append(QPointF(double(nowMs), value));
    series->replace(points);
}

void MainInterface::togglePause(int curve)
{
    QPushButton *button = curve == 0 ? ui->pushButton_Pause_1 : ui->pushButton_Pause_2;
    if (button->text() == tr("Pause")) {
        button->setText(tr("Start"));
        m_running[curve] = false;
    } else {
        button->setText(tr("Pause"));
        m_running[curve] = true;
    }
}

void MainInterface::on_comboBox_MonitorParam_1_currentIndexChanged(int index)
{
    clearCurve(0);
    setCurveParameter(0, index);
}

void MainInterface::on_comboBox_MonitorParam_2_currentIndexChanged(int index)
{
    clearCurve(1);
    setCurveParameter(1, index);
}

void MainInterface::on_pushButton_Pause_1_clicked()
{
    togglePause(0);
}

void MainInterface::on_pushButton_Pause_2_clicked()
{
    togglePause(1);
}

bool MainInterface::eventFilter(QObject *watched, QEvent *event)
{
    // The wheel never changes a quantity: it is too easy to turn it while
    // scrolling the page.
    if (event->type() == QEvent::Wheel && qobject_cast<QComboBox *>(watched))
        return true;
    return QWidget::eventFilter(watched, event);
}
