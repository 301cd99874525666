// CPU used by the tool while it is connected and polling the simulator, and
// the wall time of one tick's header poll over an RTU line against the time
// those frames take on the wire.
//
//   bench_polling tcp [SECONDS]     (the Main Interface for SECONDS, then every
//                                    other page for a third of that)
//   bench_polling rtu [SECONDS]     (38400 8N1 through a socat pty pair, the
//                                    simulator pacing replies like a real line;
//                                    R7BENCH_UNPACED=1: no pacing), then the
//                                    header poll timed in rounds alternating
//                                    with a pymodbus peer on the same line
//                                    (R7BENCH_POLL_TRACE=1: every poll's marks
//                                    and each round's context switches by
//                                    thread; R7BENCH_ALL_EVENTS=1: every event
//                                    the window's thread handled, not only the
//                                    long ones; R7BENCH_WAKEUP_PROBE=1: how late
//                                    the machine woke a sleeper meanwhile)
//   R7BENCH_TRAFFIC_VIEW=1: with the traffic view open beside the page
//
// Then the cost of recording one exchange in the traffic log (frames, line,
// statistics), timed over many, against the exchanges the polling made.
#include "Modbus/devicelink.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "Modbus/refreshcycle.h"
#include "Modbus/registerblocks.h"
#include "Modbus/trafficlog.h"
#include "main/mainwindow.h"
#include "main/trafficview.h"

#include "simprocess.h"
#include "windowparts.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QModbusClient>
#include <QModbusReply>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <map>
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

// What happens at the serial port during a header poll: each read's start
// and end, its request written, its reply come in, and every event the
// window's thread took long over (R7BENCH_POLL_TRACE=1 prints them per poll).
enum class MarkKind { ReadStart, Written, ReplyIn, ReadEnd, SlowEvent };
struct Mark {
    qint64 ns;
    MarkKind kind;
    QByteArray text;
};
struct PollTrace {
    bool on = false;
    QElapsedTimer clock;
    std::vector<Mark> marks;
    void mark(MarkKind kind, const QByteArray &text = QByteArray())
    {
        if (on)
            marks.push_back({clock.nsecsElapsed(), kind, text});
    }
};
PollTrace g_trace;

class TracedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!g_trace.on)
            return QApplication::notify(receiver, event);
        const qint64 start = g_trace.clock.nsecsElapsed();
        const int type = int(event->type());
        // Taken before: a deferred delete destroys the receiver.
        const char *className = receiver->metaObject()->className();
        const bool result = QApplication::notify(receiver, event);
        const qint64 took = g_trace.clock.nsecsElapsed() - start;
        if (qEnvironmentVariableIntValue("R7BENCH_ALL_EVENTS") == 1 || took > 300000) {
            g_trace.marks.push_back({start, MarkKind::SlowEvent,
                                     "event " + QByteArray::number(type) + ' ' + className + " took " +
                                         QByteArray::number(double(took) / 1e6, 'f', 2) + " ms"});
        }
        return result;
    }
};

// One poll's time split at the port: the tool's own part (from each read's
// start until its request is written, which holds the silence the client
// keeps before a request, and from its reply until the read ends) and the
// line's (request written until the reply is in: kernel, pty, simulator).
struct PollSplit {
    double ownMs = 0;
    double lineMs = 0;
};

PollSplit splitPoll(const std::vector<Mark> &marks)
{
    PollSplit split;
    qint64 start = -1, written = -1, reply = -1;
    for (const Mark &m : marks) {
        switch (m.kind) {
        case MarkKind::ReadStart:
            start = m.ns;
            written = reply = -1;
            break;
        case MarkKind::Written:
            written = m.ns;
            break;
        case MarkKind::ReplyIn:
            reply = m.ns;
            break;
        case MarkKind::ReadEnd:
            if (start >= 0 && written >= start && reply >= written) {
                split.ownMs += double((written - start) + (m.ns - reply)) / 1e6;
                split.lineMs += double(reply - written) / 1e6;
            }
            break;
        case MarkKind::SlowEvent:
            break;
        }
    }
    return split;
}

// Context switches of every thread of this process, by thread (trace mode).
std::map<QByteArray, long> threadSwitches()
{
    std::map<QByteArray, long> switches;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        QFile status(tasks.filePath(tid + QStringLiteral("/status")));
        if (!comm.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
            continue;
        long count = 0;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.contains("ctxt_switches"))
                count += line.mid(line.indexOf(':') + 1).trimmed().toLong();
        }
        switches[comm.readAll().trimmed() + '/' + tid.toLatin1()] = count;
    }
    return switches;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double percentile90(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() * 9 / 10];
}

// Runs the event loop for a while. QTest::qWait would not do here: it wakes
// every 10 ms to sleep again, which costs more than the polling measured.
void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

const int HeaderBlocks[] = {0, 1, 2, 19, 3};

// Wire time of one read of a block: request 8 bytes, reply 5 + 2n bytes,
// each with its silence, as the simulator computes it.
double wireMs(SimProcess &sim, int block, double *silenceMs = nullptr)
{
    sim.command(QStringLiteral("timing 8 %1").arg(5 + 2 * RegisterBlocks[block].count));
    const QString answer = sim.lastAnswer();
    if (silenceMs) {
        *silenceMs =
            QRegularExpression(QStringLiteral("silence_us=(\\d+)")).match(answer).captured(1).toDouble() / 1000.0;
    }
    return QRegularExpression(QStringLiteral("exchange_us=(\\d+)")).match(answer).captured(1).toDouble() / 1000.0;
}

// The peer (pymodbus) polls the header blocks over the line the tool has
// let go of; its poll times, or none if it did not run.
std::vector<double> runPeer(const QString &line, int polls)
{
    QStringList args = {QStringLiteral(R7_PEER_SCRIPT), line, QStringLiteral("38400"), QString::number(polls)};
    for (int block : HeaderBlocks)
        args << QStringLiteral("%1:%2").arg(RegisterBlocks[block].start).arg(RegisterBlocks[block].count);
    QProcess peer;
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    peer.start(QStringLiteral("/usr/bin/python3"), args);
    std::vector<double> samples;
    if (!peer.waitForFinished(60000) || peer.exitCode() != 0) {
        std::fprintf(stderr, "peer (python3-pymodbus) did not run: %s\n", qPrintable(peer.errorString()));
        return samples;
    }
    const QString out = QString::fromUtf8(peer.readAllStandardOutput());
    const QString list = QRegularExpression(QStringLiteral("samples: ([0-9. ]+)")).match(out).captured(1);
    for (const QString &value : list.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        samples.push_back(value.toDouble());
    return samples;
}

// The header poll timed in rounds that alternate with the peer's over the same
// pty and simulator, so that both masters meet the machine in the same state;
// each of the tool's polls is split at the port into its own time and the line's.
bool runHeaderPollRounds(SimProcess &sim, const QString &line)
{
    constexpr int Rounds = 5;
    constexpr int PollsPerRound = 8;
    const bool printTrace = qEnvironmentVariableIntValue("R7BENCH_POLL_TRACE") == 1;
    QModbusClient *client = modbusClient();
    auto *port = client->findChild<QSerialPort *>();
    QObject::connect(port, &QSerialPort::bytesWritten, [](qint64) { g_trace.mark(MarkKind::Written); });
    QObject::connect(port, &QSerialPort::readyRead, [] { g_trace.mark(MarkKind::ReplyIn); });
    g_trace.clock.start();
    RefreshCycle cycle([](Block block) {
        g_trace.mark(MarkKind::ReadStart, QByteArray::number(int(block)));
        const ResultCode result = DeviceLink::instance().readBlock(block);
        g_trace.mark(MarkKind::ReadEnd);
        return result;
    });

    // R7BENCH_WAKEUP_PROBE=1: the machine's wake-up delays meanwhile, seen by
    // a process of its own (which itself loads the machine a little).
    QProcess probe;
    if (qEnvironmentVariableIntValue("R7BENCH_WAKEUP_PROBE") == 1) {
        probe.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-u"), QStringLiteral(R7_PROBE_SCRIPT), QStringLiteral("120")});
        probe.waitForStarted();
    }

    struct Round {
        double tool = 0, peer = 0; // medians
        qint64 toolFrom = 0, toolTo = 0; // epoch ms
        qint64 peerFrom = 0, peerTo = 0;
    };
    std::vector<double> tool, own, lineTimes, peer;
    std::vector<Round> rounds;
    for (int round = 0; round < Rounds; ++round) {
        // Who goes first alternates too, so neither always meets what the
        // round before left behind.
        const bool peerFirst = round % 2 == 1;
        Round r;
        std::vector<double> theirs;
        const auto peerRound = [&] {
            client->disconnectDevice();
            idle(100);
            r.peerFrom = QDateTime::currentMSecsSinceEpoch();
            theirs = runPeer(line, PollsPerRound);
            r.peerTo = QDateTime::currentMSecsSinceEpoch();
            peer.insert(peer.end(), theirs.begin(), theirs.end());
        };
        if (peerFirst)
            peerRound();
        if (client->state() != QModbusDevice::ConnectedState) {
            client->connectDevice();
            for (int i = 0; i < 100 && client->state() != QModbusDevice::ConnectedState; ++i)
                idle(10);
            idle(50);
        }
        std::vector<double> mine;
        r.toolFrom = QDateTime::currentMSecsSinceEpoch();
        const std::map<QByteArray, long> switchesBefore = printTrace ? threadSwitches() : std::map<QByteArray, long>();
        for (int i = 0; i < PollsPerRound; ++i) {
            g_trace.marks.clear();
            g_trace.on = true;
            QElapsedTimer t;
            t.start();
            const ResultCode result = cycle.pollHeaderBlocks();
            g_trace.on = false;
            if (result != ResultOk) {
                std::fprintf(stderr, "header poll failed\n");
                return false;
            }
            mine.push_back(double(t.nsecsElapsed()) / 1e6);
            const PollSplit split = splitPoll(g_trace.marks);
            own.push_back(split.ownMs);
            lineTimes.push_back(split.lineMs);
            if (printTrace) {
                std::printf("round %d poll %d at %lld: %.2f ms (own %.2f, line %.2f)\n", round, i,
                            QDateTime::currentMSecsSinceEpoch(), mine.back(), split.ownMs, split.lineMs);
                const qint64 zero = g_trace.marks.empty() ? 0 : g_trace.marks.front().ns;
                const char *const names[] = {"read block", "written", "reply in", "read ended", ""};
                for (const Mark &m : g_trace.marks) {
                    std::printf("  %8.3f %s %s\n", double(m.ns - zero) / 1e6, names[int(m.kind)], m.text.constData());
                }
            }
        }
        r.toolTo = QDateTime::currentMSecsSinceEpoch();
        if (printTrace) {
            std::printf("round %d: context switches by thread:", round);
            for (const auto &thread : threadSwitches()) {
                const auto before = switchesBefore.find(thread.first);
                std::printf(" %s %ld", thread.first.constData(),
                            thread.second - (before == switchesBefore.end() ? 0 : before->second));
            }
            std::printf("\n");
        }
        tool.insert(tool.end(), mine.begin(), mine.end());

        // The peer takes the line while the tool has let go of it.
        if (!peerFirst)
            peerRound();
        r.tool = median(mine);
        r.peer = median(theirs);
        rounds.push_back(r);
    }
    client->connectDevice();
    for (int i = 0; i < 100 && client->state() != QModbusDevice::ConnectedState; ++i)
        idle(10);
    idle(50);

    double wire = 0;
    double silence = 0;
    for (int block : HeaderBlocks)
        wire += wireMs(sim, block, &silence);
    for (int block : HeaderBlocks) {
        std::vector<double> one;
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer t;
            t.start();
            DeviceLink::instance().readBlock(Block(block));
            one.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::printf("  block %2d (%3d registers): median %.2f ms, wire %.2f ms\n", block, RegisterBlocks[block].count,
                    median(one), wireMs(sim, block));
    }
    const double toolMedian = median(tool);
    std::printf("header poll (blocks 0, 1, 2, 19, 3) over RTU, %d rounds of %d polls: median %.2f ms, p90 %.2f ms; "
                "wire time %.2f ms; ratio %.3f\n",
                Rounds, PollsPerRound, toolMedian, percentile90(tool), wire, toolMedian / wire);
    const double silences = 5 * silence;
    std::printf("  split at the port, medians per poll: the tool's own %.2f ms (of which the silences before the "
                "requests %.2f ms), the line's %.2f ms (on the wire %.2f ms)\n",
                median(own), silences, median(lineTimes), wire - silences);
    if (peer.empty())
        return true;
    const double peerMedian = median(peer);
    std::printf("peer (pymodbus), the same rounds: median %.2f ms, p90 %.2f ms; ratio to the wire %.3f, the tool's "
                "median to the peer's %.3f\n",
                peerMedian, percentile90(peer), peerMedian / wire, toolMedian / peerMedian);

    if (probe.state() != QProcess::NotRunning) {
        probe.kill();
        probe.waitForFinished();
    }
    std::vector<std::pair<qint64, double>> lateness;
    for (const QByteArray &probeLine : probe.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = probeLine.split(' ');
        if (fields.size() == 2)
            lateness.push_back({fields[0].toLongLong(), fields[1].toDouble()});
    }
    const auto worstLate = [&lateness](qint64 from, qint64 to) {
        double worst = 0;
        for (const auto &sample : lateness) {
            if (sample.first >= from && sample.first <= to)
                worst = std::max(worst, sample.second);
        }
        return worst;
    };
    if (lateness.empty()) {
        std::printf("  per round, tool / peer ms:");
        for (const Round &r : rounds)
            std::printf(" %.1f / %.1f", r.tool, r.peer);
    } else {
        std::printf("  per round, tool / peer ms (the machine's worst wake-up delay meanwhile, ms):");
        for (const Round &r : rounds) {
            std::printf(" %.1f (%.1f) / %.1f (%.1f)", r.tool, worstLate(r.toolFrom, r.toolTo), r.peer,
                        worstLate(r.peerFrom, r.peerTo));
        }
    }
    std::printf("\n");
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // As the application itself starts: Modbus tracing on, dark style sheet.
    if (qEnvironmentVariableIntValue("R7BENCH_MODBUS_TRACE"))
        QLoggingCategory::setFilterRules(QStringLiteral("qt.modbus* = true"));
    TracedApplication app(argc, argv);
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
        if (!runHeaderPollRounds(sim, pair->first()))
            return 1;
    }
    return 0;
}
