// Cost of one monitoring tick (MainInterface::updateDraw) on a fresh page and
// after a day of 500 ms ticks on the same page, replayed on a simulated clock.
// A curve that kept every point would get slower with every tick; the page
// drops what left the 60 s window, so both figures should match.
//
// Usage: bench_updatedraw [ticks] [samples] [reference points]
//   defaults: 172800 (24 h at 500 ms), 1000, 172800 (0 skips the reference)
#include "App/maininterface.h"
#include "Modbus/devicemirror.h"
#include "Modbus/presentation.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QSplineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>


namespace {

const int TickMs = 500;

quint32 floatBits(double value)
{
    const float single = float(value);
    quint32 bits;
    std::memcpy(&bits, &single, sizeof bits);
    return bits;
}

// A slowly swinging load and a noisy sensor voltage, so the spline and the
// auto-scaling see real work.
void feedMirror(long tick)
{
    const double t = double(tick) * TickMs / 1000.0;
    g_mirror.live.gross = floatBits(500.0 + 250.0 * std::sin(t / 7.0) + double(tick % 13));
    g_mirror.live.sensorVoltage = quint32(qint32(std::lround((1.2 + 0.3 * std::cos(t / 3.0)) * 10000.0)));
}

double median(std::vector<double> samples)
{
    if (samples.empty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    const size_t mid = samples.size() / 2;
    return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2.0;
}

double percentile(std::vector<double> samples, double fraction)
{
    if (samples.empty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    return samples[size_t(fraction * double(samples.size() - 1))];
}

struct Run
{
    std::vector<double> draw;    // updateDraw alone, microseconds
    std::vector<double> repaint; // updateDraw and the repaint it causes, microseconds
};

class Bench
{
public:
    Bench()
        : m_now(QDate(2024, 1, 1), QTime(0, 0, 0))
    {
        g_mirror.live.unit = 1;
        g_shownUnit = 1;
        m_page.resize(1100, 800);
        m_page.adjustLayout(1100);
        m_page.show();
        m_page.enterPage();
        m_page.findChild<QComboBox *>(QStringLiteral("comboBox_MonitorParam_1"))->setCurrentIndex(0);
        m_page.findChild<QComboBox *>(QStringLiteral("comboBox_MonitorParam_2"))->setCurrentIndex(3);
        QApplication::processEvents();
    }

    // Ticks without timing them, letting the page paint now and then as it would.
    void advance(long ticks)
    {
        for (long i = 0; i < ticks; ++i) {
            step();
            if (m_tick % 500 == 0)
                QApplication::processEvents();
        }
        QApplication::processEvents();
    }

    Run measure(int samples)
    {
        Run run;
        run.draw.reserve(size_t(samples));
        run.repaint.reserve(size_t(samples));
        QElapsedTimer timer;
        for (int i = 0; i < samples; ++i) {
            timer.start();
            step();
            const qint64 drawn = timer.nsecsElapsed();
            // Twice: the scene's update request posts the viewport's.
            QApplication::processEvents();
            QApplication::processEvents();
            const qint64 painted = timer.nsecsElapsed();
            run.draw.push_back(double(drawn) / 1000.0);
            run.repaint.push_back(double(painted) / 1000.0);
        }
        return run;
    }

    int points(int curve) const
    {
        auto *view = m_page.findChild<QChartView *>(QStringLiteral("QChartView_Monitor_%1").arg(curve + 1));
        return qobject_cast<QXYSeries *>(view->chart()->series().value(0))->count();
    }

private:
    void step()
    {
        feedMirror(m_tick++);
        m_now = m_now.addMSecs(TickMs);
        m_page.updateDrawAt(m_now);
    }

    MainInterface m_page;
    QDateTime m_now;
    long m_tick = 0;
};

// What a curve that keeps every point costs per tick: the same chart set-up,
// preloaded with a day of points, then one append and window move per tick.
std::vector<double> unboundedReference(int preload, int samples)
{
    QChartView view;
    auto *chart = new QChart;
    auto *series = new QSplineSeries;
    auto *timeAxis = new QDateTimeAxis;
    auto *valueAxis = new QValueAxis;
    chart->legend()->hide();
    timeAxis->setTickCount(12);
    timeAxis->setFormat(QStringLiteral("hh:mm:ss"));
    valueAxis->setTickCount(6);
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(valueAxis, Qt::AlignLeft);
    chart->addSeries(series);
    series->attachAxis(timeAxis);
    series->attachAxis(valueAxis);
    view.setChart(chart);
    view.setRenderHint(QPainter::Antialiasing);
    view.resize(894, 310);
    view.show();

    QDateTime now(QDate(2024, 1, 1), QTime(0, 0, 0));
    QVector<QPointF> points;
    points.reserve(preload);
    for (int i = 0; i < preload; ++i) {
        now = now.addMSecs(TickMs);
        points.append(QPointF(double(now.toMSecsSinceEpoch()), 500.0 + 250.0 * std::sin(i / 14.0)));
    }
    series->replace(points);
    valueAxis->setRange(0, 1200);
    QApplication::processEvents();

    std::vector<double> costs;
    costs.reserve(size_t(samples));
    QElapsedTimer timer;
    for (int i = 0; i < samples; ++i) {
        now = now.addMSecs(TickMs);
        timer.start();
        timeAxis->setRange(now.addSecs(-60), now);
        series->append(double(now.toMSecsSinceEpoch()), 500.0 + 250.0 * std::sin(i / 14.0));
        costs.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    return costs;
}

void report(const char *label, const std::vector<double> &samples)
{
    std::printf("%-44s median %9.1f us   p90 %9.1f us\n", label, median(samples), percentile(samples, 0.9));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The page traces each entry; keep the figures readable.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });

    const long ticks = argc > 1 ? std::atol(argv[1]) : 172800;
    const int samples = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int reference = argc > 3 ? std::atoi(argv[3]) : 172800;

    Bench bench;
    const Run first = bench.measure(samples);
    std::printf("first %d ticks: curve points %d / %d\n", samples, bench.points(0), bench.points(1));
    report("updateDraw, first ticks", first.draw);
    report("updateDraw + repaint, first ticks", first.repaint);

    QElapsedTimer wall;
    wall.start();
    bench.advance(ticks);
    std::printf("%ld further ticks (%.1f h simulated) took %.1f s\n", ticks, double(ticks) * TickMs / 3.6e6,
                double(wall.elapsed()) / 1000.0);

    const Run later = bench.measure(samples);
    std::printf("after the long run: curve points %d / %d\n", bench.points(0), bench.points(1));
    report("updateDraw, after the long run", later.draw);
    report("updateDraw + repaint, after the long run", later.repaint);
    std::printf("ratio of medians (after / first): updateDraw %.2f, with repaint %.2f\n",
                median(later.draw) / median(first.draw), median(later.repaint) / median(first.repaint));

    if (reference > 0) {
        const int referenceSamples = std::min(samples, 200);
        const std::vector<double> unbounded = unboundedReference(reference, referenceSamples);
        char label[96];
        std::snprintf(label, sizeof label, "reference: append to %d kept points", reference);
        report(label, unbounded);
    }
    return 0;
}
