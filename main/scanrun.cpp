#include "main/scanrun.h"

#include "Modbus/devicescan.h"
#include "main/headlessoptions.h"
#include "main/headlessreport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QSerialPort>

#include <unistd.h>

namespace Headless {

namespace {

QString duration(qint64 ms)
{
    const qint64 s = (ms + 999) / 1000;
    return s >= 60 ? QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'))
                   : QStringLiteral("%1 s").arg(s);
}

} // namespace

bool scanWanted(const QStringList &arguments)
{
    return arguments.contains(QStringLiteral("--scan")) || arguments.contains(QStringLiteral("-scan"));
}

int runScan(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Finds R7 transmitters: reads registers 0 and 1 of every unit id at every serial\n"
        "setting (4800-115200 baud, parity none, even, odd), the given settings first, then\n"
        "units 1 and 247 at every setting, then every unit at each setting; over TCP units\n"
        "1-247 and 255. One line per device found on standard output (\"unit 37, 19200\n"
        "baud, 8E1\"), progress on standard error. Exit 0 when a device was found, 3 when\n"
        "none, 2 on bad arguments."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    const QCommandLineOption scan(QStringLiteral("scan"), QStringLiteral("Scan for devices."));
    const QCommandLineOption tcp(QStringLiteral("tcp"), QStringLiteral("Modbus TCP to HOST, port 502 unless given."),
                                 QStringLiteral("HOST[:PORT]"));
    const QCommandLineOption rtu(QStringLiteral("rtu"), QStringLiteral("The serial DEVICE to scan."),
                                 QStringLiteral("DEVICE"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Baud rate to try first."),
                                  QStringLiteral("BAUD"));
    const QCommandLineOption parity(QStringLiteral("parity"), QStringLiteral("Parity to try first: none, even, odd."),
                                    QStringLiteral("PARITY"));
    const QCommandLineOption dataBits(QStringLiteral("data-bits"), QStringLiteral("Data bits: 7 or 8 (default 8)."),
                                      QStringLiteral("BITS"));
    const QCommandLineOption stopBits(QStringLiteral("stop-bits"), QStringLiteral("Stop bits: 1 or 2 (default 1)."),
                                      QStringLiteral("BITS"));
    const QCommandLineOption unit(QStringLiteral("unit"), QStringLiteral("Unit id to try first."),
                                  QStringLiteral("ID"));
    const QCommandLineOption range(QStringLiteral("unit-range"),
                                   QStringLiteral("Only the unit ids A to B (TCP: up to 255)."), QStringLiteral("A-B"));
    const QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("Also print the traces."));
    parser.addOptions({help, scan, tcp, rtu, baud, parity, dataBits, stopBits, unit, range, verbose});

    const auto bad = [](const QString &why) {
        printErr(QStringLiteral("r7config: %1\nUsage: r7config --scan --rtu DEVICE|--tcp HOST[:PORT] "
                                     "[--unit-range A-B]\nTry 'r7config --scan --help'.\n").arg(why));
        return 2;
    };
    if (!parser.parse(arguments))
        return bad(parser.errorText());
    if (parser.isSet(help)) {
        printOut(parser.helpText());
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return bad(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    if (parser.isSet(tcp) == parser.isSet(rtu))
        return bad(QStringLiteral("give exactly one link: --tcp HOST[:PORT] or --rtu DEVICE"));

    ScanTarget target;
    target.tcp = parser.isSet(tcp);
    if (target.tcp && !parseHost(parser.value(tcp), &target.host, &target.port))
        return bad(QStringLiteral("--tcp expects HOST[:PORT], got '%1'").arg(parser.value(tcp)));
    target.device = parser.value(rtu).trimmed();
    if (!target.tcp && target.device.isEmpty())
        return bad(QStringLiteral("--rtu expects a serial device"));
    const int maxUnit = target.tcp ? 255 : 247;
    if (parser.isSet(baud) && !parseInt(parser.value(baud), 1, 4000000, &target.present.baud))
        return bad(QStringLiteral("--baud expects a baud rate"));
    if (parser.isSet(parity) && !parseParity(parser.value(parity), &target.present.parity))
        return bad(QStringLiteral("--parity expects none, even or odd"));
    if (parser.isSet(dataBits) && !parseInt(parser.value(dataBits), 7, 8, &target.dataBits))
        return bad(QStringLiteral("--data-bits expects 7 or 8"));
    if (parser.isSet(stopBits) && !parseInt(parser.value(stopBits), 1, 2, &target.stopBits))
        return bad(QStringLiteral("--stop-bits expects 1 or 2"));
    if (parser.isSet(unit) && !parseInt(parser.value(unit), 1, maxUnit, &target.presentUnit))
        return bad(QStringLiteral("--unit expects 1..%1").arg(maxUnit));
    if (parser.isSet(range)) {
        const QStringList ends = parser.value(range).split(QLatin1Char('-'));
        if (ends.size() != 2 || !parseInt(ends.at(0), 1, maxUnit, &target.firstUnit)
            || !parseInt(ends.at(1), target.firstUnit, maxUnit, &target.lastUnit))
            return bad(QStringLiteral("--unit-range expects A-B with 1 <= A <= B <= %1").arg(maxUnit));
        target.withUnit255 = false;
    }

    const QtMessageHandler previousHandler = quietTraces(parser.isSet(verbose));
    const bool terminal = ::isatty(STDERR_FILENO);
    DeviceScan engine(target);
    QEventLoop loop;
    QString problem;
    qint64 lastShown = -1;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&engine, &DeviceScan::found, [](const ScanHit &hit) { printOut(hit.text() + '\n'); });
    QObject::connect(&engine, &DeviceScan::progress,
                     [&](int done, int total, qint64 msLeft, const ScanHit &probed) {
                         // A line a second at most; on a terminal one line redrawn.
                         if (done < total && lastShown >= 0 && clock.elapsed() - lastShown < 1000)
                             return;
                         lastShown = clock.elapsed();
                         printErr(QStringLiteral("%1scan: %2/%3 probes, about %4 left (%5)%6")
                                           .arg(terminal ? QStringLiteral("\r\033[K") : QString())
                                           .arg(done).arg(total).arg(duration(msLeft), probed.text().section(QLatin1String(" ("), 0, 0),
                                                terminal ? QString() : QStringLiteral("\n")));
                     });
    QObject::connect(&engine, &DeviceScan::finished, &loop, [&](bool, const QString &why) {
        problem = why;
        loop.quit();
    });
    engine.start();
    if (engine.isRunning())
        loop.exec();
    const int found = engine.hits().size();
    printErr(QStringLiteral("%1scan: %2 after %3%4\n")
                      .arg(terminal ? QStringLiteral("\r\033[K") : QString())
                      .arg(found == 0 ? QStringLiteral("none") : QStringLiteral("%1 found").arg(found),
                           duration(clock.elapsed()),
                           problem.isEmpty() ? QString() : QStringLiteral(": ") + problem));
    qInstallMessageHandler(previousHandler);
    return found > 0 ? 0 : 3;
}

} // namespace Headless
