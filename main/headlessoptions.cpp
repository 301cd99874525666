#include "main/headlessoptions.h"
#include "main/headless.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QSerialPort>

#include <algorithm>
#include <iterator>

namespace Headless {

namespace {

const char *const ModeOptions[] = {"export", "import", "compare"};
const int BaudRates[] = {4800, 9600, 19200, 38400, 57600, 115200};

QString description()
{
    return QStringLiteral(
        "R7 Config: backs up, restores and checks the parameters of an R7 weighing\n"
        "transmitter without a window. With no arguments but Qt's own window options\n"
        "(-platform, -style, ...) the program opens its window.\n"
        "\n"
        "  --export FILE   reads every parameter the template lists from the device\n"
        "                  into a new workbook FILE. An existing FILE is replaced\n"
        "                  only by a complete export; one with failed rows goes to\n"
        "                  FILE.incomplete.xlsx beside it.\n"
        "  --import FILE   writes the parameters of workbook FILE into the device,\n"
        "                  with the rules of the Test Maintain page: rows of type 1\n"
        "                  and 2 within their limits; never the settings of the link\n"
        "                  in use (8000-8045 on RTU, 8100-8111 on TCP), never zero,\n"
        "                  calibration or reset commands.\n"
        "  --compare FILE  reads every row of FILE from the device and prints one line\n"
        "                  per row whose value differs on standard output, as\n"
        "                  \"ADDRESS<TAB>NAME<TAB>workbook VALUE<TAB>device VALUE\".\n"
        "                  Text from the workbook is escaped C-style: \\t \\n \\r \\\\,\n"
        "                  other control characters \\xHH. Writes nothing.\n"
        "\n"
        "Exactly one link: --tcp HOST[:PORT], --tcp V6 or --tcp [V6]:PORT, or --rtu\n"
        "DEVICE with the serial options.\n"
        "To find a device: r7config --scan --rtu DEVICE|--tcp HOST (see --scan --help).");
}

QString epilogue()
{
    return QStringLiteral(
        "\n"
        "Progress goes to standard error (a bar on a terminal, plain lines otherwise),\n"
        "then a summary. Every row that names a register has one outcome: read (export,\n"
        "compare) or written (import) when the device answered; failed when it refused\n"
        "or did not answer; refused by this program's rules (limits, type, action\n"
        "register, a cell that cannot be read such as a formula without a stored\n"
        "result); kept, the settings of the link in use (import). An import also counts\n"
        "rows without a value, a compare the rows compared and those that differ. The\n"
        "first rows that failed, were refused or differ are named.\n"
        "\n"
        "Exit codes:\n"
        "  0  every row was read or written (kept rows and rows without a value aside)\n"
        "  1  some row failed or was refused, a compare found a difference, or an\n"
        "     import wrote no row or a compare compared none\n"
        "  2  bad arguments (an unknown option, an option without its value)\n"
        "  3  no link, link lost, or a file problem (missing file or template, a folder,\n"
        "     the template as the target, no target folder, an unreadable workbook),\n"
        "     file problems being found before the link is opened\n"
        "\n"
        "Example, a backup of several transmitters:\n"
        "  for ip in $(cat transmitters.txt); do\n"
        "      r7config --export \"backup-$ip.xlsx\" --tcp \"$ip\" || echo \"$ip: exit $?\"\n"
        "  done\n");
}

} // namespace

bool parseParity(const QString &text, int *parity)
{
    const QString name = text.trimmed().toLower();
    if (name == QLatin1String("none"))
        *parity = QSerialPort::NoParity;
    else if (name == QLatin1String("even"))
        *parity = QSerialPort::EvenParity;
    else if (name == QLatin1String("odd"))
        *parity = QSerialPort::OddParity;
    else
        return false;
    return true;
}

bool parseInt(const QString &text, int min, int max, int *value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok || v < min || v > max)
        return false;
    *value = v;
    return true;
}

// "HOST", "HOST:PORT", "[V6]", "[V6]:PORT", "V6". An IPv6 host keeps its
// brackets: the client joins host and port into one address text, in which a
// bare "::1" would take the port for one more group of the address.
bool parseHost(const QString &text, QString *host, int *port)
{
    QString h = text.trimmed();
    QString portText;
    bool v6 = false;
    if (h.startsWith(QLatin1Char('['))) {
        const int close = h.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        const QString rest = h.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
            return false;
        portText = rest.mid(1);
        if (rest.startsWith(QLatin1Char(':')) && portText.isEmpty())
            return false;
        h = h.mid(1, close - 1);
        v6 = true;
    } else if (h.count(QLatin1Char(':')) == 1) {
        portText = h.section(QLatin1Char(':'), 1);
        h = h.section(QLatin1Char(':'), 0, 0);
        if (portText.isEmpty())
            return false;
    } else if (h.count(QLatin1Char(':')) > 1) {
        v6 = true; // "HOST:PORT:X" is no IPv6 address and is refused below
    }
    if (h.isEmpty() || h.contains(QLatin1Char(' ')))
        return false;
    if (v6 && QHostAddress(h).protocol() != QAbstractSocket::IPv6Protocol)
        return false;
    if (!portText.isEmpty() && !parseInt(portText, 1, 65535, port))
        return false;
    *host = v6 ? QLatin1Char('[') + h + QLatin1Char(']') : h;
    return true;
}

Parsed parseOptions(const QStringList &arguments, Options *o, QString *error, QString *help)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Shows this help."));
    const QCommandLineOption exportOption(QStringLiteral("export"),
        QStringLiteral("Export the device's parameters into the workbook FILE."), QStringLiteral("FILE"));
    const QCommandLineOption importOption(QStringLiteral("import"),
        QStringLiteral("Import the parameters of the workbook FILE into the device."), QStringLiteral("FILE"));
    const QCommandLineOption compareOption(QStringLiteral("compare"),
        QStringLiteral("List the rows of the workbook FILE whose value differs from the device's."),
        QStringLiteral("FILE"));
    const QCommandLineOption tcpOption(QStringLiteral("tcp"),
        QStringLiteral("Modbus TCP to HOST, port 502 unless PORT is given ([V6]:PORT for IPv6)."),
        QStringLiteral("HOST[:PORT]"));
    const QCommandLineOption rtuOption(QStringLiteral("rtu"),
        QStringLiteral("Modbus RTU on the serial DEVICE (/dev/ttyUSB0)."), QStringLiteral("DEVICE"));
    const QCommandLineOption baudOption(QStringLiteral("baud"),
        QStringLiteral("Serial baud rate: 4800, 9600, 19200, 38400, 57600 or 115200 (default 9600)."),
        QStringLiteral("BAUD"));
    const QCommandLineOption parityOption(QStringLiteral("parity"),
        QStringLiteral("Serial parity: none, even or odd (default none)."), QStringLiteral("PARITY"));
    const QCommandLineOption dataBitsOption(QStringLiteral("data-bits"),
        QStringLiteral("Serial data bits: 7 or 8 (default 8)."), QStringLiteral("BITS"));
    const QCommandLineOption stopBitsOption(QStringLiteral("stop-bits"),
        QStringLiteral("Serial stop bits: 1 or 2 (default 1)."), QStringLiteral("BITS"));
    const QCommandLineOption unitOption(QStringLiteral("unit"),
        QStringLiteral("Modbus unit id 1..247 (default 1)."), QStringLiteral("ID"));
    const QCommandLineOption wordOrderOption(QStringLiteral("word-order"),
        QStringLiteral("Word order of 32-bit values: ABCD (high word first, default) or CDAB."),
        QStringLiteral("ORDER"));
    const QCommandLineOption templateOption(QStringLiteral("template"),
        QStringLiteral("Export: the template workbook to start from (default: the program's template "
                       "of the language)."),
        QStringLiteral("FILE"));
    const QCommandLineOption languageOption(QStringLiteral("language"),
        QStringLiteral("Export: the program's template in English (en, default) or Chinese (zh)."),
        QStringLiteral("LANG"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
        QStringLiteral("Time a request waits for its answer, 50..10000 ms (default 1000)."),
        QStringLiteral("MS"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
        QStringLiteral("Also print the program's traces on standard error."));
    const QCommandLineOption rowByRowOption(QStringLiteral("row-by-row"),
        QStringLiteral("Export and compare: one read per row instead of one per block of neighbouring rows, for "
                       "devices that refuse reads over registers they do not use (an import always writes row by "
                       "row)."));
    const QCommandLineOption versionOption(QStringLiteral("version"), QStringLiteral("Shows the version."));
    const QCommandLineOption trafficOption(QStringLiteral("traffic"),
        QStringLiteral("Writes every Modbus exchange as a CSV line into FILE."), QStringLiteral("FILE"));
    const QList<QCommandLineOption> all = {helpOption, exportOption, importOption, compareOption, tcpOption,
        rtuOption, baudOption, parityOption, dataBitsOption, stopBitsOption, unitOption, wordOrderOption,
        templateOption, languageOption, timeoutOption, verboseOption, rowByRowOption, versionOption, trafficOption};
    parser.addOptions(all);

    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return Parsed::Error;
    }
    if (parser.isSet(helpOption)) {
        *help = parser.helpText() + epilogue();
        return Parsed::Help;
    }
    if (parser.isSet(versionOption)) {
        *help = QStringLiteral("r7config %1\n").arg(QCoreApplication::applicationVersion());
        return Parsed::Version;
    }
    // "--export --verbose" gives --export the value "--verbose": an option
    // forgotten its value takes the next one's name.
    for (const QCommandLineOption &option : all) {
        if (option.valueName().isEmpty() || !parser.isSet(option))
            continue;
        const QString value = parser.value(option);
        QString name = value;
        while (name.startsWith(QLatin1Char('-')))
            name.remove(0, 1);
        name = name.section(QLatin1Char('='), 0, 0);
        if (value.startsWith(QLatin1Char('-')) && !name.isEmpty()
            && std::any_of(all.cbegin(), all.cend(),
                           [&name](const QCommandLineOption &o) { return o.names().contains(name); })) {
            *error = QStringLiteral("--%1 needs a value of its own, got the option '%2'")
                         .arg(option.names().last(), value);
            return Parsed::Error;
        }
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
        return Parsed::Error;
    }
    // An option given twice would silently lose one of its values.
    for (const QString &name : parser.optionNames()) {
        if (parser.optionNames().count(name) > 1) {
            *error = QStringLiteral("--%1 given more than once").arg(name);
            return Parsed::Error;
        }
    }

    const QCommandLineOption *modes[] = {&exportOption, &importOption, &compareOption};
    int modeCount = 0;
    for (int i = 0; i < 3; ++i) {
        if (parser.isSet(*modes[i])) {
            ++modeCount;
            o->mode = Mode(i + 1);
            o->file = parser.value(*modes[i]);
        }
    }
    if (modeCount != 1) {
        *error = modeCount == 0 ? QStringLiteral("one of --export, --import or --compare is needed")
                                : QStringLiteral("--export, --import and --compare exclude each other");
        return Parsed::Error;
    }
    if (o->file.trimmed().isEmpty()) {
        *error = QStringLiteral("--%1 needs a file name").arg(QLatin1String(ModeOptions[int(o->mode) - 1]));
        return Parsed::Error;
    }

    if (parser.isSet(tcpOption) == parser.isSet(rtuOption)) {
        *error = QStringLiteral("give exactly one link: --tcp HOST[:PORT] or --rtu DEVICE");
        return Parsed::Error;
    }
    o->link.tcp = parser.isSet(tcpOption);
    if (o->link.tcp) {
        if (!parseHost(parser.value(tcpOption), &o->link.host, &o->link.port)) {
            *error = QStringLiteral("--tcp expects HOST[:PORT] with a port of 1..65535, got '%1'")
                         .arg(parser.value(tcpOption));
            return Parsed::Error;
        }
        for (const QCommandLineOption *serial : {&baudOption, &parityOption, &dataBitsOption, &stopBitsOption}) {
            if (parser.isSet(*serial)) {
                *error = QStringLiteral("--%1 applies to --rtu only").arg(serial->names().first());
                return Parsed::Error;
            }
        }
    } else {
        o->link.serialPort = parser.value(rtuOption).trimmed();
        if (o->link.serialPort.isEmpty()) {
            *error = QStringLiteral("--rtu expects a serial device");
            return Parsed::Error;
        }
    }
    if (parser.isSet(baudOption)) {
        const QString text = parser.value(baudOption);
        if (!parseInt(text, 1, 4000000, &o->link.baud) || !std::count(std::begin(BaudRates), std::end(BaudRates), o->link.baud)) {
            *error = QStringLiteral("--baud expects 4800, 9600, 19200, 38400, 57600 or 115200, got '%1'").arg(text);
            return Parsed::Error;
        }
    }
    if (parser.isSet(parityOption) && !parseParity(parser.value(parityOption), &o->link.parity)) {
        *error = QStringLiteral("--parity expects none, even or odd, got '%1'").arg(parser.value(parityOption));
        return Parsed::Error;
    }
    if (parser.isSet(dataBitsOption) && !parseInt(parser.value(dataBitsOption), 7, 8, &o->link.dataBits)) {
        *error = QStringLiteral("--data-bits expects 7 or 8, got '%1'").arg(parser.value(dataBitsOption));
        return Parsed::Error;
    }
    if (parser.isSet(stopBitsOption) && !parseInt(parser.value(stopBitsOption), 1, 2, &o->link.stopBits)) {
        *error = QStringLiteral("--stop-bits expects 1 or 2, got '%1'").arg(parser.value(stopBitsOption));
        return Parsed::Error;
    }
    if (parser.isSet(unitOption) && !parseInt(parser.value(unitOption), 1, 247, &o->link.unitId)) {
        *error = QStringLiteral("--unit expects 1..247, got '%1'").arg(parser.value(unitOption));
        return Parsed::Error;
    }
    if (parser.isSet(wordOrderOption)) {
        const QString order = parser.value(wordOrderOption).trimmed().toUpper().remove(QLatin1Char('-'));
        if (order == QLatin1String("ABCD")) {
            o->link.wordOrder = 0;
        } else if (order == QLatin1String("CDAB")) {
            o->link.wordOrder = 1;
        } else {
            *error = QStringLiteral("--word-order expects ABCD or CDAB, got '%1'").arg(parser.value(wordOrderOption));
            return Parsed::Error;
        }
    }
    if (parser.isSet(timeoutOption) && !parseInt(parser.value(timeoutOption), 50, 10000, &o->link.timeoutMs)) {
        *error = QStringLiteral("--timeout expects 50..10000 ms, got '%1'").arg(parser.value(timeoutOption));
        return Parsed::Error;
    }
    for (const QCommandLineOption *exportOnly : {&templateOption, &languageOption}) {
        if (parser.isSet(*exportOnly) && o->mode != Mode::Export) {
            *error = QStringLiteral("--%1 applies to --export only").arg(exportOnly->names().first());
            return Parsed::Error;
        }
    }
    if (parser.isSet(languageOption)) {
        const QString language = parser.value(languageOption).trimmed().toLower();
        if (language == QLatin1String("en")) {
            o->language = 0;
        } else if (language == QLatin1String("zh") || language == QLatin1String("cn")) {
            o->language = 1;
        } else {
            *error = QStringLiteral("--language expects en or zh, got '%1'").arg(parser.value(languageOption));
            return Parsed::Error;
        }
    }
    if (parser.isSet(templateOption)) {
        o->templateFile = parser.value(templateOption);
        if (o->templateFile.trimmed().isEmpty()) {
            *error = QStringLiteral("--template needs a file name");
            return Parsed::Error;
        }
    }
    o->verbose = parser.isSet(verboseOption);
    o->rowByRow = parser.isSet(rowByRowOption);
    o->trafficFile = parser.value(trafficOption);
    return Parsed::Run;
}

bool wanted(int argc, char *argv[])
{
    // The options QApplication itself takes (one or two dashes, a value
    // after a blank or "="); any other argument is meant for the command
    // line, where a misspelt option gets its message instead of a window.
    static const char *const withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
        "qwindowgeometry", "qwindowtitle", "qwindowicon", "display", "geometry", "style", "stylesheet", "session",
        "name", "title", "visual", "qmljsdebugger"};
    static const char *const flags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync", "verbose"};
    for (int i = 1; i < argc; ++i) {
        QByteArray arg(argv[i]);
        if (!arg.startsWith('-'))
            return true;
        arg.remove(0, arg.startsWith("--") ? 2 : 1);
        const int equals = arg.indexOf('=');
        const QByteArray name = equals < 0 ? arg : arg.left(equals);
        const auto named = [&name](const char *known) { return name == known; };
        if (std::any_of(std::begin(withValue), std::end(withValue), named)) {
            if (equals < 0)
                ++i;
            continue;
        }
        if (equals < 0 && std::any_of(std::begin(flags), std::end(flags), named))
            continue;
        return true;
    }
    return false;
}


} // namespace Headless
