// CPU used by the tool while it is connected and polling the simulator, and
// the wall time of one tick's header poll over an RTU line against the time
// those frames take on the wire.
//
//   bench_polling tcp [SECONDS]     (the Main Interface for SECONDS, then every
//                                    other page for a third of that)
//   bench_polling rtu [SECONDS]     (38400 8N1 through a socat pty pair, the
//                                    simulator pacing replies like a real line;
//                                    R7BENCH_UNPACED=1: no pacing)
//   R7BENCH_TRAFFIC_VIEW=1: with the traffic view open beside the page
//
// Then the cost of recording one exchange in the traffic log (frames, line,
// statistics), timed over many, against the exchanges the polling made.
#include "Modbus/devicelink.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "Modbus/registerblocks.h"
#include "Modbus/trafficlog.h"
#include "main/mainwindow.h"
#include "main/trafficview.h"

#include "simprocess.h"
#include "windowparts.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QModbusClient>
#include <QLoggingCategory>
#include <QModbusReply>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

template<typename T> T *field(QWidget *page, const char *name)
{
    return page->findChild<T *>(QLatin1String(name));
}

// Runs the event loop for a while. QTest::qWait would not do here: it wakes
// every 10 ms to sleep again, which costs more than the polling measured.
void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char **argv)
{
    // As the application itself starts: Modbus tracing on, dark style sheet.
    if (qEnvironmentVariableIntValue("R7BENCH_MODBUS_TRACE"))
        QLoggingCategory::setFilterRules(QStringLiteral("qt.modbus* = true"));
    QApplication app(argc, argv);
    QFile sheet(QStringLiteral(":/Qss/SheetStyle.qss"));
    if (sheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(sheet.readAll().constData()));
    if (qEnvironmentVariableIsEmpty("R7SIM"))
        qputenv("R7SIM", R7SIM_PATH);
    QTemporaryDir settingsDir;
    qputenv("R7CONFIG_SETTINGS_DIR", settingsDir.path().toLocal8Bit());

    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QStringLiteral("tcp");
    const int seconds = argc > 2 ? atoi(argv[2]) : 60;
    const int pageSeconds = qMax(1, seconds / 3);
    const bool rtu = mode == QLatin1String("rtu");

    std::unique_ptr<SocatPair> pair;
    QStringList simArgs = {QStringLiteral("--tcp"), QStringLiteral("0")};
    if (rtu) {
        pair = std::make_unique<SocatPair>();
        if (!pair->start()) {
            std::fprintf(stderr, "socat: %s\n", qPrintable(pair->errorString()));
            return 1;
        }
        simArgs = QStringList{QStringLiteral("--rtu"), pair->second(), QStringLiteral("--baud"),
                              QStringLiteral("38400"), QStringLiteral("--data-bits"), QStringLiteral("8"),
                              QStringLiteral("--parity"), QStringLiteral("none")};
        // Unpaced, the figures show what the client and the pty add on their own.
        if (qEnvironmentVariableIsEmpty("R7BENCH_UNPACED"))
            simArgs << QStringLiteral("--line-timing");
    }
    SimProcess sim(simArgs);
    if (!sim.start()) {
        std::fprintf(stderr, "r7sim: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    sim.command(QStringLiteral("load 1234.5"));

    MainWindow window;
    window.setupFrame();
    window.show();
    ModbusSetting *page = connectionPageOf(&window);
    if (rtu) {
        field<QComboBox>(page, "connectType")->setCurrentIndex(0);
        field<QComboBox>(page, "serialnumcomboBox")->setEditText(pair->first());
        field<QComboBox>(page, "baudCombo")->setCurrentIndex(3);
        field<QComboBox>(page, "dataBitsCombo")->setCurrentIndex(1);
        field<QComboBox>(page, "parityCombo")->setCurrentIndex(0);
    } else {
        field<QComboBox>(page, "connectType")->setCurrentIndex(1);
        field<QLineEdit>(page, "EditHostIP")->setText(QStringLiteral("127.0.0.1"));
        field<QLineEdit>(page, "EditPort")->setText(QString::number(sim.tcpPort()));
    }
    field<QPushButton>(page, "connectButton")->click();
    if (g_pageIndex != PageMainInterface) {
        std::fprintf(stderr, "no link to r7sim\n");
        return 1;
    }

    const bool trafficView = qEnvironmentVariableIntValue("R7BENCH_TRAFFIC_VIEW") == 1;
    if (trafficView)
        window.findChild<TrafficView *>()->show();
    QTest::qWait(2000); // let the curves and caches fill
    const quint64 exchangesBefore = TrafficLog::instance()->total();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    idle(seconds * 1000);
    const double cpuUsed = cpuSeconds() - cpuBefore;
    const double wallSeconds = double(wall.elapsed()) / 1000.0;
    std::printf("%s: connected and polling for %.1f s on the Main Interface page%s: %.2f s CPU, %.2f %% of one core\n",
                rtu ? "RTU 38400 8N1, line timing" : "TCP loopback", wallSeconds,
                trafficView ? ", traffic view open" : "", cpuUsed, 100.0 * cpuUsed / wallSeconds);

    // Recording alone: the marks of a read of 5 registers answered, without the link.
    const double perSecond = double(TrafficLog::instance()->total() - exchangesBefore) / wallSeconds;
    Settings request;
    request.address = 0;
    request.num = 5;
    QModbusReply reply(QModbusReply::Common, 1);
    reply.setRawResult(QModbusResponse(QModbusPdu::ReadHoldingRegisters, QByteArray::fromHex("0A00010002000300040005")));
    reply.setFinished(true);
    constexpr int Marks = 200000;
    const double markCpuBefore = cpuSeconds();
    for (int i = 0; i < Marks; ++i) {
        TrafficMark mark(request, nullptr, false);
        mark.sent(nullptr, &reply);
        mark.end(ResultOk);
    }
    const double perMarkUs = (cpuSeconds() - markCpuBefore) * 1e6 / Marks;
    std::printf("traffic log: %.1f exchanges/s while polling, %.2f us CPU to record one: %.4f %% of one core\n",
                perSecond, perMarkUs, perSecond * perMarkUs / 1e4);

    // The other pages, each with what its tick reads after the header.
    const char *const pages[][2] = {{"ButtonBasicConfig", "Basic Config"},
                                    {"ButtonWeightCal", "Weight & CAL"},
                                    {"ButtonApplication", "Application (inputs)"},
                                    {"ButtonDataTrans", "Data-Trans"},
                                    {"ButtonTestMaintain", "Test Maintain"}};
    for (const auto &p : pages) {
        auto *button = window.findChild<QPushButton *>(QLatin1String(p[0]));
        if (!button)
            continue;
        button->click();
        idle(2000);
        const double before = cpuSeconds();
        QElapsedTimer pageWall;
        pageWall.start();
        idle(pageSeconds * 1000);
        const double used = cpuSeconds() - before;
        std::printf("  %-22s %.2f %% of one core\n", p[1], 100.0 * used / (double(pageWall.elapsed()) / 1000.0));
    }
    window.findChild<QPushButton *>(QStringLiteral("ButtonMainInterface"))->click();
    idle(1000);

    if (rtu) {
        workerOf(&window)->stop();
        QTest::qWait(600);
        std::vector<double> samples;
        for (int i = 0; i < 40; ++i) {
            QElapsedTimer t;
            t.start();
            if (window.findChild<RefreshCycle *>()->pollHeaderBlocks() != ResultOk) {
                std::fprintf(stderr, "header poll failed\n");
                return 1;
            }
            samples.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::sort(samples.begin(), samples.end());

        // Wire time: request 8 bytes, reply 5 + 2n bytes, each with its silences.
        double wireMs = 0;
        for (int block : {0, 1, 2, 19, 3}) {
            sim.command(QStringLiteral("timing 8 %1").arg(5 + 2 * RegisterBlocks[block].count));
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("exchange_us=(\\d+)")).match(sim.lastAnswer());
            wireMs += m.captured(1).toDouble() / 1000.0;
        }
        for (int block : {0, 1, 2, 19, 3}) {
            std::vector<double> one;
            for (int i = 0; i < 20; ++i) {
                QElapsedTimer t;
                t.start();
                DeviceLink::instance().readBlock(Block(block));
                one.push_back(double(t.nsecsElapsed()) / 1e6);
            }
            std::sort(one.begin(), one.end());
            sim.command(QStringLiteral("timing 8 %1").arg(5 + 2 * RegisterBlocks[block].count));
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("exchange_us=(\\d+)")).match(sim.lastAnswer());
            std::printf("  block %2d (%3d registers): median %.2f ms, wire %.2f ms\n", block,
                        RegisterBlocks[block].count, one[one.size() / 2], m.captured(1).toDouble() / 1000.0);
        }
        std::printf("header poll (blocks 0, 1, 2, 19, 3) over RTU: median %.2f ms, p90 %.2f ms; wire time %.2f ms; "
                    "ratio %.3f\n",
                    samples[samples.size() / 2], samples[samples.size() * 9 / 10], wireMs,
                    samples[samples.size() / 2] / wireMs);

        // The same blocks read by another master (pymodbus) over the same
        // line and simulator, once the tool has let go of the port.
        if (QModbusClient *client = modbusClient())
            client->disconnectDevice();
        QTest::qWait(300);
        QStringList peerArgs = {QStringLiteral(R7_PEER_SCRIPT), pair->first(), QStringLiteral("38400"),
                                QStringLiteral("40")};
        for (int block : {0, 1, 2, 19, 3})
            peerArgs << QStringLiteral("%1:%2").arg(RegisterBlocks[block].start).arg(RegisterBlocks[block].count);
        QProcess peer;
        peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        peer.start(QStringLiteral("/usr/bin/python3"), peerArgs);
        if (!peer.waitForFinished(60000) || peer.exitCode() != 0) {
            std::fprintf(stderr, "peer (python3-pymodbus) did not run: %s\n", qPrintable(peer.errorString()));
        } else {
            const QString line = QString::fromUtf8(peer.readAllStandardOutput()).trimmed();
            const double peerMedian =
                QRegularExpression(QStringLiteral("median ([0-9.]+)")).match(line).captured(1).toDouble();
            std::printf("%s; ratio to the wire %.3f, the tool's median to the peer's %.3f\n", qPrintable(line),
                        peerMedian / wireMs, samples[samples.size() / 2] / peerMedian);
        }
    }
    return 0;
}
