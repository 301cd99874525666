#include "faultsettings.h"
#include "linetiming.h"
#include "ptyserver.h"
#include "requesthandler.h"
#include "signalwatcher.h"
#include "simconsole.h"
#include "simdevice.h"
#include "simoptions.h"
#include "simservers.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("r7sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    SimOptions options;
    QString error;
    if (!parseSimOptions(QCoreApplication::arguments(), &options, &error)) {
        std::fprintf(stderr, "r7sim: %s (see --help)\n", qPrintable(error));
        return 2;
    }

    SignalWatcher signalWatcher;
    if (!signalWatcher.isValid())
        std::fprintf(stderr, "r7sim: cannot watch SIGINT/SIGTERM, they will end the program abruptly\n");
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &app, &QCoreApplication::quit);

    SimDevice device(options.wordOrder, options.unitId);
    for (int reg : options.remoteOff)
        device.poke(reg, 0);
    for (const auto& setting : options.systemInfo) {
        if (!device.setSystemInfo(setting.first, setting.second, &error)) {
            std::fprintf(stderr, "r7sim: --sysinfo %s (see --help)\n", qPrintable(error));
            return 2;
        }
    }
    FaultSettings faults = options.faults;
    RequestHandler handler(&device, &faults);
    handler.setVerbose(options.verbose);
    const LineTiming timing(options.serial.baud, options.serial.dataBits,
        options.serial.parity != QSerialPort::NoParity, options.serial.stopBits);

    std::unique_ptr<SimTcpServer> tcp;
    if (options.tcp) {
        tcp = std::make_unique<SimTcpServer>(&handler);
        tcp->setServerAddress(options.unitId);
        if (!tcp->listen(options.tcpHost, options.tcpPort)) {
            std::fprintf(stderr, "r7sim: cannot listen on %s:%u: %s\n",
                qPrintable(options.tcpHost.toString()), unsigned(options.tcpPort),
                qPrintable(tcp->errorString()));
            return 1;
        }
        const QHostAddress bound = tcp->listenAddress();
        const QString host = bound.protocol() == QAbstractSocket::IPv6Protocol
            ? QStringLiteral("[%1]").arg(bound.toString())
            : bound.toString();
        writeStdoutLine(QStringLiteral("r7sim listening tcp %1:%2").arg(host).arg(tcp->listenPort()));
    }

    std::unique_ptr<SimRtuServer> rtu;
    if (options.rtu) {
        rtu = std::make_unique<SimRtuServer>(&handler);
        rtu->setServerAddress(options.unitId);
        rtu->setLineTiming(timing, options.lineTiming);
        if (!rtu->start(options.serial)) {
            std::fprintf(stderr, "r7sim: cannot open %s: %s\n", qPrintable(options.serial.portName),
                qPrintable(rtu->errorString()));
            return 1;
        }
        writeStdoutLine(QStringLiteral("r7sim listening rtu %1").arg(options.serial.portName));
    }

    std::unique_ptr<PtyRtuServer> pty;
    if (!options.ptyLink.isEmpty()) {
        pty = std::make_unique<PtyRtuServer>(&handler, options.unitId);
        pty->setLineTiming(timing, options.lineTiming);
        pty->setVerbose(options.verbose);
        if (!pty->start(options.ptyLink, options.serial)) {
            std::fprintf(stderr, "r7sim: cannot make a pty at %s: %s\n", qPrintable(options.ptyLink),
                qPrintable(pty->errorString()));
            return 1;
        }
        writeStdoutLine(QStringLiteral("r7sim listening rtu %1").arg(options.ptyLink));
    }

    SimConsole console(&device, &faults, timing);
    console.setTcpServer(tcp.get());
    console.setRequestHandler(&handler);
    QObject::connect(&console, &SimConsole::quitRequested, &app, &QCoreApplication::quit);
    StdinReader input;
    QObject::connect(&input, &StdinReader::lineRead, &console,
        [&console](const QString& line) { writeStdoutLine(console.execute(line)); });

    device.start();
    const int result = QCoreApplication::exec();

    // Orderly goodbye: clients see their connections closed, the serial port is
    // released with its settings restored.
    device.stop();
    if (rtu)
        rtu->disconnectDevice();
    if (tcp)
        tcp->disconnectDevice();
    return result;
}
