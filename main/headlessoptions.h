#ifndef HEADLESSOPTIONS_H
#define HEADLESSOPTIONS_H

#include "Modbus/devicelink.h"

#include <QString>
#include <QStringList>

namespace Headless {

enum class Mode { None, Export, Import, Compare };

// What the command line asks for: one transfer, its file and its link.
struct Options
{
    Mode mode = Mode::None;
    QString file;
    LinkSettings link; // --tcp or --rtu with the serial options, --unit, --word-order, --timeout
    QString templateFile;
    int language = 0;
    bool verbose = false;
    bool rowByRow = false;
    QString trafficFile;
};

// A whole number from min to max, leading and trailing spaces allowed.
bool parseInt(const QString &text, int min, int max, int *value);
// "HOST", "HOST:PORT", "[V6]", "[V6]:PORT" or "V6" into host (an IPv6 address
// in brackets) and port (left as it is without one). False when malformed.
bool parseHost(const QString &text, QString *host, int *port);
// "none", "even" or "odd" (any case, spaces around allowed) into a
// QSerialPort::Parity code. False otherwise.
bool parseParity(const QString &text, int *parity);

enum class Parsed { Run, Help, Version, Error };

// Parses the arguments (the program's name first) into o. Help and Version
// put their text into help, Error the reason into error.
Parsed parseOptions(const QStringList &arguments, Options *o, QString *error, QString *help);

} // namespace Headless

#endif // HEADLESSOPTIONS_H
