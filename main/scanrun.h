#ifndef SCANRUN_H
#define SCANRUN_H

#include <QStringList>

namespace Headless {

// True when the command line asks for a device scan (--scan).
bool scanWanted(const QStringList &arguments);

// r7config --scan --rtu DEVICE | --tcp HOST[:PORT] [--unit-range A-B] [...]:
// one line per device found on standard output, progress on standard error;
// exit 0 when a device was found, 3 when none (or nothing could be probed),
// 2 on bad arguments.
int runScan(const QStringList &arguments);

} // namespace Headless

#endif // SCANRUN_H
