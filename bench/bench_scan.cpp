// Device scan times against the simulator: unit 1 found at each baud rate with
// the page's usual setting tried first (9600 8N1), every unit id at one line
// setting, a TCP sweep, and a dead TCP address. The simulator owns a pty and
// holds its replies for the time they take on a real line (--line-timing).
#include "Modbus/devicescan.h"

#include "simprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <cstdio>

namespace {

struct Result
{
    qint64 ms = 0;
    int found = 0;
    int probes = 0;
};

Result scan(const ScanTarget &target, bool stopAtFirst)
{
    DeviceScan engine(target);
    engine.setStopAtFirst(stopAtFirst);
    QEventLoop loop;
    QObject::connect(&engine, &DeviceScan::finished, &loop, &QEventLoop::quit);
    int probes = 0;
    QObject::connect(&engine, &DeviceScan::progress, [&probes](int done, int, qint64, const ScanHit &) { probes = done; });
    QElapsedTimer clock;
    clock.start();
    engine.start();
    if (engine.isRunning())
        loop.exec();
    return {clock.elapsed(), int(engine.hits().size()), probes};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("R7SIM"))
        qputenv("R7SIM", R7SIM_PATH);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("tty"));

    std::printf("unit 1 found, the scan starting at 9600 8N1 unit 5 (stops at the first device):\n");
    for (int baud : {4800, 9600, 19200, 38400, 57600, 115200}) {
        SimProcess sim({"--pty", link, "--baud", QString::number(baud), "--line-timing"});
        if (!sim.start())
            return 1;
        ScanTarget target;
        target.device = link;
        target.presentUnit = 5;
        const Result r = scan(target, true);
        std::printf("  device at %6d baud: %s after %5lld ms, %d probes\n", baud, r.found ? "found" : "NOT FOUND",
                    r.ms, r.probes);
    }

    std::printf("every unit id 1-247 at one line setting, the device at unit 247 (all probes made):\n");
    for (int baud : {9600, 19200, 115200}) {
        SimProcess sim({"--pty", link, "--baud", QString::number(baud), "--unit", "247", "--line-timing"});
        if (!sim.start())
            return 1;
        ScanTarget target;
        target.device = link;
        target.present = {baud, 0};
        target.lines = {target.present};
        const Result r = scan(target, false);
        std::printf("  %6d baud 8N1: %d found, %d probes in %5lld ms\n", baud, r.found, r.probes, r.ms);
    }

    {
        SimProcess sim({"--tcp", "0", "--unit", "200"});
        if (!sim.start())
            return 1;
        ScanTarget target;
        target.tcp = true;
        target.host = sim.tcpHost();
        target.port = sim.tcpPort();
        const Result r = scan(target, false);
        std::printf("TCP sweep, units 1-247 and 255, the device at unit 200: %d found, %d probes in %lld ms\n",
                    r.found, r.probes, r.ms);
    }
    {
        ScanTarget target;
        target.tcp = true;
        target.host = QStringLiteral("127.0.0.1");
        target.port = 1;
        const Result r = scan(target, false);
        std::printf("TCP, a closed port: %d found after %lld ms\n", r.found, r.ms);
    }
    {
        SimProcess sim({"--pty", link, "--no-reply"});
        if (!sim.start())
            return 1;
        ScanTarget target;
        target.device = link;
        target.firstUnit = target.lastUnit = 1;
        const Result r = scan(target, false);
        std::printf("pty, a silent device, unit 1 at all 18 line settings: %d found, %d probes in %lld ms\n",
                    r.found, r.probes, r.ms);
    }
    return 0;
}
