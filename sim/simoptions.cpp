#include "simoptions.h"

#include "simconsole.h"

#include <QCommandLineParser>

namespace {

QString description()
{
    return QStringLiteral("Simulates the R7 weighing transmitter as a Modbus server, for demos, tests\n"
                          "and benchmarks. Listens on 127.0.0.1:1502 unless told otherwise.\n"
                          "\n"
                          "Once up it prints one line per transport and flushes stdout:\n"
                          "  r7sim listening tcp HOST:PORT\n"
                          "  r7sim listening rtu PATH   (--rtu PATH or --pty PATH)\n"
                          "\n"
                          "Commands on stdin, one per line, each answered by one line \"ok ...\" or\n"
                          "\"error ...\" on stdout:\n")
        + SimConsole::helpText()
        + QStringLiteral("\n"
                         "Registers 0..10210 read (unused ones as 0); reads beyond answer exception 2.\n"
                         "Writes to parameters, reset commands, the voltage coefficient and the remote\n"
                         "switches are stored; writes to live values, system information or unused\n"
                         "addresses answer exception 2 (illegal data address) and change nothing.\n"
                         "While a remote-editing switch is 0 (10200 basic 100-129, 10202 cal 200-237,\n"
                         "10205 app 300-367 and 500-659, 10207 data 8000-8155, 10209 system 8900-8907\n"
                         "and 9156-9157) writes to its registers answer exception 1 (illegal function);\n"
                         "a refused calibration write also sets error bit 12.\n"
                         "Resets: writing 1 to 8900 (all), 8901 (all but cal), 8902 (cal), 8903 (basic),\n"
                         "8904 (inputs and outputs), 8905 (analog output), 8906 (application) or 8907\n"
                         "(data-trans) restores the factory values of that group.\n"
                         "Calibration: 210 = 1 captures the zero, 212 keys it in (0.0001 mV), a write\n"
                         "to 214 + 2(k-1) records point k for the weight written (x 10^d) and reads\n"
                         "back the signal recorded; outcomes in error bits 0..12.");
}

bool parseInt(const QString& text, int min, int max, int* value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < min || v > max)
        return false;
    *value = v;
    return true;
}

// "PORT", "HOST:PORT", "[V6]:PORT"
bool parseEndpoint(const QString& text, QHostAddress* host, quint16* port)
{
    QString hostText;
    QString portText = text;
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        hostText = text.left(colon);
        portText = text.mid(colon + 1);
        if (hostText.startsWith(QLatin1Char('[')) && hostText.endsWith(QLatin1Char(']')))
            hostText = hostText.mid(1, hostText.size() - 2);
    }
    int p = 0;
    if (!parseInt(portText, 0, 65535, &p))
        return false;
    if (!hostText.isEmpty()) {
        QHostAddress address;
        if (hostText == QLatin1String("localhost"))
            address = QHostAddress(QHostAddress::LocalHost);
        else if (!address.setAddress(hostText))
            return false;
        *host = address;
    }
    *port = quint16(p);
    return true;
}

} // namespace

bool parseSimOptions(const QStringList& arguments, SimOptions* options, QString* error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.addHelpOption();
    parser.addVersionOption();

    const QCommandLineOption tcpOption(QStringLiteral("tcp"),
        QStringLiteral("Modbus TCP on [HOST:]PORT (default 127.0.0.1:1502; port 0 picks a free one)."),
        QStringLiteral("[HOST:]PORT"));
    const QCommandLineOption rtuOption(QStringLiteral("rtu"),
        QStringLiteral("Modbus RTU on the serial device PATH (TCP then only with --tcp)."),
        QStringLiteral("PATH"));
    const QCommandLineOption ptyOption(QStringLiteral("pty"),
        QStringLiteral("Modbus RTU on a pseudo-terminal of its own, its slave side linked at LINK "
                       "(TCP then only with --tcp). Frames sent at another baud rate, data bits or "
                       "stop bits than the device's are not answered (parity cannot be seen on a pty)."),
        QStringLiteral("LINK"));
    const QCommandLineOption baudOption(QStringLiteral("baud"),
        QStringLiteral("Serial baud rate (default 9600)."), QStringLiteral("BAUD"), QStringLiteral("9600"));
    const QCommandLineOption dataBitsOption(QStringLiteral("data-bits"),
        QStringLiteral("Serial data bits, 7 or 8 (default 8)."), QStringLiteral("BITS"), QStringLiteral("8"));
    const QCommandLineOption parityOption(QStringLiteral("parity"),
        QStringLiteral("Serial parity none|even|odd (default none)."), QStringLiteral("PARITY"),
        QStringLiteral("none"));
    const QCommandLineOption stopBitsOption(QStringLiteral("stop-bits"),
        QStringLiteral("Serial stop bits, 1 or 2 (default 1)."), QStringLiteral("BITS"), QStringLiteral("1"));
    const QCommandLineOption lineTimingOption(QStringLiteral("line-timing"),
        QStringLiteral("Hold each RTU reply for the time the exchange takes on a real line."));
    const QCommandLineOption unitOption(QStringLiteral("unit"),
        QStringLiteral("Modbus unit id 1..247 (default 1)."), QStringLiteral("ID"), QStringLiteral("1"));
    const QCommandLineOption dwordOption(QStringLiteral("dword"),
        QStringLiteral("Word order of 32-bit values, AB-CD (high word first, default) or CD-AB."),
        QStringLiteral("ORDER"), QStringLiteral("AB-CD"));
    const QCommandLineOption failOption(QStringLiteral("fail-address"),
        QStringLiteral("Answer exception CODE (default 4) to requests touching ADDR."),
        QStringLiteral("ADDR[:CODE]"));
    const QCommandLineOption delayOption(QStringLiteral("delay"),
        QStringLiteral("Hold every reply MS milliseconds."), QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption noReplyOption(
        QStringLiteral("no-reply"), QStringLiteral("Never answer (until the command noreply off)."));
    const QCommandLineOption remoteOffOption(QStringLiteral("remote-off"),
        QStringLiteral("Start with these remote-editing switches off: a comma-separated list of "
                       "basic, cal, app, data, system (or all)."),
        QStringLiteral("LIST"));
    const QCommandLineOption silentResetOption(QStringLiteral("silent-reset"),
        QStringLiteral("Carry out Reset All, Partial and Data-Trans without answering them."));
    const QCommandLineOption sysInfoOption(QStringLiteral("sysinfo"),
        QStringLiteral("Set system information (repeatable): version=N, date=YEAR:MMDD, serial=TEXT (25 "
                       "characters), mac=XX-XX-XX-XX-XX-XX, btmac=..., coef=N."),
        QStringLiteral("FIELD=VALUE"));
    const QCommandLineOption verboseOption(
        QStringLiteral("verbose"), QStringLiteral("Log each request to stderr."));

    parser.addOptions({ tcpOption, rtuOption, ptyOption, baudOption, dataBitsOption, parityOption, stopBitsOption,
        lineTimingOption, unitOption, dwordOption, failOption, delayOption, noReplyOption, remoteOffOption,
        silentResetOption, sysInfoOption, verboseOption });

    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
        return false;
    }

    SimOptions o;
    o.rtu = parser.isSet(rtuOption);
    o.ptyLink = parser.value(ptyOption);
    if (o.rtu && parser.isSet(ptyOption)) {
        *error = QStringLiteral("--rtu and --pty exclude each other");
        return false;
    }
    if (parser.isSet(ptyOption) && o.ptyLink.isEmpty()) {
        *error = QStringLiteral("--pty expects a path for the link");
        return false;
    }
    o.tcp = parser.isSet(tcpOption) || !(o.rtu || parser.isSet(ptyOption));
    if (parser.isSet(tcpOption) && !parseEndpoint(parser.value(tcpOption), &o.tcpHost, &o.tcpPort)) {
        *error = QStringLiteral("--tcp expects [HOST:]PORT, got '%1'").arg(parser.value(tcpOption));
        return false;
    }
    if (o.rtu) {
        o.serial.portName = parser.value(rtuOption);
        if (o.serial.portName.isEmpty()) {
            *error = QStringLiteral("--rtu expects a serial device path");
            return false;
        }
    }
    if (!parseInt(parser.value(baudOption), 50, 4000000, &o.serial.baud)) {
        *error = QStringLiteral("--baud expects a rate of 50..4000000");
        return false;
    }
    if (!parseInt(parser.value(dataBitsOption), 7, 8, &o.serial.dataBits)) {
        *error = QStringLiteral("--data-bits expects 7 or 8");
        return false;
    }
    if (!parseInt(parser.value(stopBitsOption), 1, 2, &o.serial.stopBits)) {
        *error = QStringLiteral("--stop-bits expects 1 or 2");
        return false;
    }
    const QString parity = parser.value(parityOption).toLower();
    if (parity == QLatin1String("none")) {
        o.serial.parity = QSerialPort::NoParity;
    } else if (parity == QLatin1String("even")) {
        o.serial.parity = QSerialPort::EvenParity;
    } else if (parity == QLatin1String("odd")) {
        o.serial.parity = QSerialPort::OddParity;
    } else {
        *error = QStringLiteral("--parity expects none, even or odd");
        return false;
    }
    o.lineTiming = parser.isSet(lineTimingOption);
    if (!parseInt(parser.value(unitOption), 1, 247, &o.unitId)) {
        *error = QStringLiteral("--unit expects 1..247");
        return false;
    }
    const QString order = parser.value(dwordOption).toUpper();
    if (order == QLatin1String("AB-CD")) {
        o.wordOrder = SimDevice::WordOrder::HighFirst;
    } else if (order == QLatin1String("CD-AB")) {
        o.wordOrder = SimDevice::WordOrder::LowFirst;
    } else {
        *error = QStringLiteral("--dword expects AB-CD or CD-AB");
        return false;
    }
    if (parser.isSet(failOption)) {
        const QStringList parts = parser.value(failOption).split(QLatin1Char(':'));
        int address = 0;
        int code = QModbusPdu::ServerDeviceFailure;
        if (parts.size() > 2 || !parseInt(parts.at(0), 0, 65535, &address)
            || (parts.size() == 2 && !parseInt(parts.at(1), 1, 255, &code))) {
            *error = QStringLiteral("--fail-address expects ADDR[:CODE]");
            return false;
        }
        o.faults.failAddress = address;
        o.faults.failCode = QModbusPdu::ExceptionCode(code);
    }
    if (!parseInt(parser.value(delayOption), 0, 600000, &o.faults.delayMs)) {
        *error = QStringLiteral("--delay expects 0..600000 ms");
        return false;
    }
    o.faults.noReply = parser.isSet(noReplyOption);
    for (const QString& list : parser.values(remoteOffOption)) {
        for (const QString& name : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (name.trimmed().toLower() == QLatin1String("all")) {
                for (const char* page : { "basic", "cal", "app", "data", "system" })
                    o.remoteOff << SimDevice::remoteSwitchFor(QLatin1String(page));
                continue;
            }
            const int reg = SimDevice::remoteSwitchFor(name);
            if (reg == 0) {
                *error = QStringLiteral("--remote-off expects basic, cal, app, data, system or all, got '%1'")
                             .arg(name);
                return false;
            }
            o.remoteOff << reg;
        }
    }
    o.faults.silentLinkResets = parser.isSet(silentResetOption);
    for (const QString& setting : parser.values(sysInfoOption)) {
        const int equals = setting.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            *error = QStringLiteral("--sysinfo expects FIELD=VALUE, got '%1'").arg(setting);
            return false;
        }
        o.systemInfo.append({ setting.left(equals), setting.mid(equals + 1) });
    }
    o.verbose = parser.isSet(verboseOption);

    *options = o;
    return true;
}
