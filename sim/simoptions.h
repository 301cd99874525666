#ifndef R7SIM_SIMOPTIONS_H
#define R7SIM_SIMOPTIONS_H

#include "faultsettings.h"
#include "simdevice.h"
#include "simservers.h"

#include <QHostAddress>
#include <QStringList>

// Everything the command line decides.
struct SimOptions {
    bool tcp = true; // on unless only --rtu or --pty is given
    QHostAddress tcpHost = QHostAddress(QHostAddress::LocalHost);
    quint16 tcpPort = 1502;
    bool rtu = false;
    QString ptyLink; // RTU on a pty of our own, its slave linked here (empty: none)
    SerialSettings serial;
    bool lineTiming = false;
    int unitId = 1;
    SimDevice::WordOrder wordOrder = SimDevice::WordOrder::HighFirst;
    FaultSettings faults;
    QVector<int> remoteOff; // switch registers to turn off at start
    QVector<QPair<QString, QString>> systemInfo; // field, value for SimDevice::setSystemInfo
    bool verbose = false;
};

// Parses the arguments (argv[0] first). --help and --version print and exit
// the process, as QCommandLineParser does; on a bad argument the function
// returns false with a message in *error.
bool parseSimOptions(const QStringList& arguments, SimOptions* options, QString* error);

#endif // R7SIM_SIMOPTIONS_H
