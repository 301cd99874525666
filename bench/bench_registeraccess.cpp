// Round-trip time of readRegisters against the simulator over loopback TCP,
// and the CPU spent while a request waits on a device that never answers.
#include "Modbus/devicelink.h"
#include "Modbus/linkstate.h"
#include "Modbus/registeraccess.h"

#include "loopbackclient.h"
#include "simprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QModbusTcpClient>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("R7SIM"))
        qputenv("R7SIM", R7SIM_PATH);
    const int reads = argc > 1 ? atoi(argv[1]) : 5000;
    const int waitMs = argc > 2 ? atoi(argv[2]) : 10000;

    SimProcess sim;
    if (!sim.start()) {
        std::fprintf(stderr, "r7sim did not start\n");
        return 1;
    }

    QModbusTcpClient *client = connectLoopbackClient(sim.tcpPort(), waitMs);
    if (!client) {
        std::fprintf(stderr, "no connection to r7sim\n");
        return 1;
    }

    Settings request;
    request.address = 0;
    request.num = 5;
    quint16 buffer[5];
    std::vector<double> samples;
    samples.reserve(size_t(reads));
    QElapsedTimer timer;
    for (int i = 0; i < reads; ++i) {
        timer.start();
        if (readRegisters(client, request, buffer) != ResultOk) {
            std::fprintf(stderr, "read %d failed\n", i);
            return 1;
        }
        samples.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(samples.begin(), samples.end());
    std::printf("readRegisters round trip over loopback TCP, %d reads of 5 registers:\n", reads);
    std::printf("  median %.1f us, p10 %.1f us, p90 %.1f us, p99 %.1f us\n", samples[samples.size() / 2],
                samples[samples.size() / 10], samples[samples.size() * 9 / 10], samples[samples.size() * 99 / 100]);

    sim.command(QStringLiteral("noreply on"));
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const ResultCode result = readRegisters(client, request, buffer);
    const double cpuUsed = cpuSeconds() - cpuBefore;
    std::printf("waiting on a device that does not answer (client time-out %d ms):\n", waitMs);
    std::printf("  result %d after %.2f s wall, %.1f ms CPU (%.3f %% of one core)\n", int(result),
                double(wall.elapsed()) / 1000.0, cpuUsed * 1000.0, 100.0 * cpuUsed / (double(wall.elapsed()) / 1000.0));

    DeviceLink::instance().close();
    return 0;
}
