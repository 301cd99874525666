#include "main/headless.h"

#include "Excel/exeltowrite.h"
#include "Excel/parametertransfer.h"
#include "Excel/spreadsheet.h"
#include "Excel/xlsxworkbook.h"
#include "Modbus/linkopener.h"
#include "Modbus/linkstate.h"
#include "Modbus/registeraccess.h"
#include "Modbus/trafficlog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include "Modbus/rtuclient.h"
#include <QModbusTcpClient>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace Headless {

namespace {

enum class Mode { None, Export, Import, Compare };

struct Options
{
    Mode mode = Mode::None;
    QString file;
    bool tcp = false;
    QString host;
    int port = 502;
    QString device;
    int baud = 9600;
    int parity = QSerialPort::NoParity;
    int dataBits = 8;
    int stopBits = 1;
    int unit = 1;
    int wordOrder = 0; // 0 ABCD (high word first), 1 CDAB
    QString templateFile;
    int language = 0;
    int timeoutMs = 1000;
    bool verbose = false;
    bool rowByRow = false;
    QString trafficFile;

    QString linkText() const
    {
        if (tcp)
            return QStringLiteral("%1:%2 unit %3").arg(host).arg(port).arg(unit);
        return QStringLiteral("%1 unit %2").arg(device).arg(unit);
    }
};

const char *const ModeOptions[] = {"export", "import", "compare"};
const int BaudRates[] = {4800, 9600, 19200, 38400, 57600, 115200};

// Rows that fail one after the other, then a failed test read: the link is
// gone, and waiting out a time-out on every remaining row would only delay
// the verdict.
constexpr int FailuresBeforeProbe = 3;

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
        "DEVICE with the serial options.");
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

enum class Parsed { Run, Help, Version, Error };

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
    o->tcp = parser.isSet(tcpOption);
    if (o->tcp) {
        if (!parseHost(parser.value(tcpOption), &o->host, &o->port)) {
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
        o->device = parser.value(rtuOption).trimmed();
        if (o->device.isEmpty()) {
            *error = QStringLiteral("--rtu expects a serial device");
            return Parsed::Error;
        }
    }
    if (parser.isSet(baudOption)) {
        const QString text = parser.value(baudOption);
        if (!parseInt(text, 1, 4000000, &o->baud) || !std::count(std::begin(BaudRates), std::end(BaudRates), o->baud)) {
            *error = QStringLiteral("--baud expects 4800, 9600, 19200, 38400, 57600 or 115200, got '%1'").arg(text);
            return Parsed::Error;
        }
    }
    if (parser.isSet(parityOption)) {
        const QString parity = parser.value(parityOption).trimmed().toLower();
        if (parity == QLatin1String("none")) {
            o->parity = QSerialPort::NoParity;
        } else if (parity == QLatin1String("even")) {
            o->parity = QSerialPort::EvenParity;
        } else if (parity == QLatin1String("odd")) {
            o->parity = QSerialPort::OddParity;
        } else {
            *error = QStringLiteral("--parity expects none, even or odd, got '%1'").arg(parser.value(parityOption));
            return Parsed::Error;
        }
    }
    if (parser.isSet(dataBitsOption) && !parseInt(parser.value(dataBitsOption), 7, 8, &o->dataBits)) {
        *error = QStringLiteral("--data-bits expects 7 or 8, got '%1'").arg(parser.value(dataBitsOption));
        return Parsed::Error;
    }
    if (parser.isSet(stopBitsOption) && !parseInt(parser.value(stopBitsOption), 1, 2, &o->stopBits)) {
        *error = QStringLiteral("--stop-bits expects 1 or 2, got '%1'").arg(parser.value(stopBitsOption));
        return Parsed::Error;
    }
    if (parser.isSet(unitOption) && !parseInt(parser.value(unitOption), 1, 247, &o->unit)) {
        *error = QStringLiteral("--unit expects 1..247, got '%1'").arg(parser.value(unitOption));
        return Parsed::Error;
    }
    if (parser.isSet(wordOrderOption)) {
        const QString order = parser.value(wordOrderOption).trimmed().toUpper().remove(QLatin1Char('-'));
        if (order == QLatin1String("ABCD")) {
            o->wordOrder = 0;
        } else if (order == QLatin1String("CDAB")) {
            o->wordOrder = 1;
        } else {
            *error = QStringLiteral("--word-order expects ABCD or CDAB, got '%1'").arg(parser.value(wordOrderOption));
            return Parsed::Error;
        }
    }
    if (parser.isSet(timeoutOption) && !parseInt(parser.value(timeoutOption), 50, 10000, &o->timeoutMs)) {
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

void printErr(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void printOut(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

QtMessageHandler s_previousHandler = nullptr;
bool s_verbose = false;

// The transfers trace every step; without --verbose only warnings get out.
void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!s_verbose && (type == QtDebugMsg || type == QtInfoMsg))
        return;
    if (s_previousHandler)
        s_previousHandler(type, context, message);
}

// SIGINT and SIGTERM end the transfer at its next row, as Disconnect does on
// the page, so the serial port is closed and no half-written file is left.
int s_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t s_interrupted = 0;

void onSignal(int)
{
    s_interrupted = 1;
    const char byte = 1;
    if (::write(s_signalPipe[1], &byte, 1) < 0) {
        // Nothing to do in a signal handler; the flag is set.
    }
}

class SignalGuard
{
public:
    SignalGuard()
    {
        if (::pipe(s_signalPipe) != 0)
            return;
        ::fcntl(s_signalPipe[0], F_SETFD, FD_CLOEXEC);
        ::fcntl(s_signalPipe[1], F_SETFD, FD_CLOEXEC);
        ::fcntl(s_signalPipe[1], F_SETFL, O_NONBLOCK);
        m_notifier.reset(new QSocketNotifier(s_signalPipe[0], QSocketNotifier::Read));
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [] {
            char byte;
            if (::read(s_signalPipe[0], &byte, 1) > 0)
                setLinkClosing(true);
        });
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &m_oldInt);
        ::sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~SignalGuard()
    {
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        m_notifier.reset();
        for (int &fd : s_signalPipe) {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
    }

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_oldInt = {};
    struct sigaction m_oldTerm = {};
};

// Progress of the row loop on standard error.
class Progress
{
public:
    Progress(ExelToWrite &transfer, const QString &label)
        : m_label(label)
        , m_terminal(::isatty(::fileno(stderr)) == 1)
    {
        m_range = QObject::connect(&transfer, &ExelToWrite::progressRange, [this](int, int low, int high) {
            m_low = low;
            m_high = high;
        });
        m_value = QObject::connect(&transfer, &ExelToWrite::progressValue,
                                   [this](int, int value) { show(value); });
    }
    ~Progress()
    {
        QObject::disconnect(m_range);
        QObject::disconnect(m_value);
        if (m_terminal && m_shown)
            printErr(QStringLiteral("\n"));
    }

private:
    void show(int row)
    {
        // Rows 2..high are parameter rows; row 1 is the header.
        const int total = qMax(1, m_high - m_low);
        const int done = qBound(0, row - m_low, total);
        const int percent = done * 100 / total;
        if (m_terminal) {
            const int width = 30;
            const int filled = done * width / total;
            printErr(QStringLiteral("\r%1 [%2%3] %4/%5 rows")
                         .arg(m_label, QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char('.')))
                         .arg(done)
                         .arg(total));
            m_shown = true;
        } else if (percent / 10 > m_lastTenth || !m_shown) {
            m_lastTenth = percent / 10;
            m_shown = true;
            printErr(QStringLiteral("%1: %2% (%3/%4 rows)\n").arg(m_label).arg(percent).arg(done).arg(total));
        }
    }

    QString m_label;
    bool m_terminal;
    bool m_shown = false;
    int m_low = 1;
    int m_high = 1;
    int m_lastTenth = -1;
    QMetaObject::Connection m_range;
    QMetaObject::Connection m_value;
};

// Ends a transfer whose link died: after a few failed rows in a row a test
// read decides, and when it fails too the transfer is told to stop.
class LinkWatch
{
public:
    explicit LinkWatch(ExelToWrite &transfer)
        : m_transfer(transfer)
    {
        m_value = QObject::connect(&transfer, &ExelToWrite::progressValue, [this](int, int) { check(); });
    }
    ~LinkWatch() { QObject::disconnect(m_value); }
    bool linkLost() const { return m_lost; }

private:
    void check()
    {
        const TransferReport &report = m_transfer.report();
        if (report.failed == m_failed) {
            m_failed = report.failed;
            m_streak = 0;
            return;
        }
        m_failed = report.failed;
        if (report.transferred != m_transferred) {
            m_transferred = report.transferred;
            m_streak = 1;
            return;
        }
        if (++m_streak < FailuresBeforeProbe || m_lost)
            return;
        m_streak = 0;
        Settings probe;
        probe.address = 0;
        probe.num = 2;
        quint16 words[2] = {0, 0};
        if (readRegisters(modbusClient(), probe, words) != ResultOk) {
            m_lost = true;
            setLinkClosing(true);
        }
    }

    ExelToWrite &m_transfer;
    QMetaObject::Connection m_value;
    int m_failed = 0;
    int m_transferred = 0;
    int m_streak = 0;
    bool m_lost = false;
};

// Opens the link and proves it with a read of registers 0 and 1, through the
// same routine as the connection page. The client is the program's one client
// (modbusClient()), so the transfers use it as they do behind the page.
bool openLink(const Options &o, QString *error)
{
    QModbusClient *client = nullptr;
    if (o.tcp) {
        g_connType = 1;
        client = new QModbusTcpClient;
        client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, o.host);
        client->setConnectionParameter(QModbusDevice::NetworkPortParameter, o.port);
    } else {
        g_connType = 0;
        client = new RtuSerialClient;
        client->setConnectionParameter(QModbusDevice::SerialPortNameParameter, o.device);
        client->setConnectionParameter(QModbusDevice::SerialParityParameter, o.parity);
        client->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, o.baud);
        client->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, o.dataBits);
        client->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, o.stopBits);
    }
    setModbusClient(client);
    client->setNumberOfRetries(0);
    g_slaveId = o.unit;
    g_dwordFormat = o.wordOrder;

    // --timeout bounds the connection, the test read and every request after.
    const LinkProof proof = openAndProveLink(client, o.timeoutMs, o.unit);
    if (!proof.ok())
        *error = proof.detail;
    return proof.ok();
}

// Text from a workbook as one line of output: a name or value holding a line
// break or a tab would otherwise forge lines or columns. C-style escapes;
// the backslash itself is doubled.
QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (u < 0x20 || u == 0x7f)
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else if (u == 0x85 || u == 0x2028 || u == 0x2029)
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString firstAddresses(const QStringList &addresses, int total)
{
    QStringList shown;
    for (const QString &address : addresses)
        shown << escaped(address);
    QString text = shown.join(QStringLiteral(", "));
    if (total > addresses.size())
        text += QStringLiteral(", ...");
    return text;
}

// A workbook value as the export would write it, for comparing.
QString normalised(const QString &text, quint32 type, bool *ok)
{
    if (type == 3) {
        bool parsed = false;
        const float f = text.trimmed().toFloat(&parsed);
        *ok = parsed;
        return QString::number(double(f), 'g', 6);
    }
    quint32 value = 0;
    *ok = ExelToWrite::parseUnsigned(text, &value) && (type != 1 || value <= 0xFFFF);
    return QString::number(value);
}

struct Outcome
{
    int code = ExitDone;
    QString message; // why the run did not end with 0, when the summary does not say it
};

QString transferFailure(int result, const TransferReport &report)
{
    switch (result) {
    case ExelToWrite::NotOpened:
        return report.fileProblem.isEmpty() ? QStringLiteral("cannot open or write the workbook")
                                            : QStringLiteral("cannot open or write the workbook: %1")
                                                  .arg(report.fileProblem);
    case ExelToWrite::NoSheets:
        return QStringLiteral("the workbook has no sheets");
    case ExelToWrite::NoSheet:
        return QStringLiteral("sheet \"%1\": %2").arg(ExelToWrite::SheetName, report.fileProblem);
    case ExelToWrite::NoRows:
        return QStringLiteral("the sheet \"%1\" is empty").arg(ExelToWrite::SheetName);
    default:
        return QStringLiteral("transfer ended with code %1").arg(result);
    }
}

// Result of a transfer that returned: the link loss and the interruption
// both end it with Aborted.
bool endedBadly(int result, const LinkWatch &watch, const QString &file, const TransferReport &report,
                Outcome *outcome)
{
    if (result == ExelToWrite::Aborted) {
        outcome->code = ExitLinkOrFile;
        outcome->message = watch.linkLost() ? QStringLiteral("the link was lost") : QStringLiteral("interrupted");
        return true;
    }
    if (result != ExelToWrite::Finished) {
        outcome->code = ExitLinkOrFile;
        outcome->message = QStringLiteral("%1: %2").arg(file, transferFailure(result, report));
        return true;
    }
    return false;
}

// Counts of the rows that name a register, one outcome each: export read,
// import written, then failed, refused, kept; an import also counts the rows
// without a value, a compare those it compared and those that differ.
enum class Kind { Export, Import, Compare };

void printSummary(Kind kind, const QString &what, const TransferReport &report, int compared, int differ,
                  const QStringList &differing)
{
    QString text = QStringLiteral("%1: %2 rows: %3 %4, failed %5, refused %6, kept %7")
                       .arg(what)
                       .arg(report.rows)
                       .arg(kind == Kind::Import ? QStringLiteral("written") : QStringLiteral("read"))
                       .arg(report.transferred)
                       .arg(report.failed)
                       .arg(report.refused)
                       .arg(report.kept);
    if (kind != Kind::Export)
        text += QStringLiteral(", no value %1").arg(report.noValue);
    if (kind == Kind::Compare)
        text += QStringLiteral(", compared %1, differ %2").arg(compared).arg(differ);
    text += QLatin1Char('\n');
    if (report.failed > 0)
        text += QStringLiteral("  failed: %1\n").arg(firstAddresses(report.failedRows, report.failed));
    if (report.refused > 0)
        text += QStringLiteral("  refused: %1\n").arg(firstAddresses(report.refusedRows, report.refused));
    if (differ > 0)
        text += QStringLiteral("  differ: %1\n").arg(firstAddresses(differing, differ));
    printErr(text);
}

int rowsExitCode(const TransferReport &report)
{
    return report.problemCount() > 0 ? ExitRowsFailed : ExitDone;
}

// What is wrong with a file the run reads, or empty.
QString readableFileProblem(const QString &path)
{
    XlsxWorkbook book;
    XlsxWorkbook::Error error = book.open(path);
    if (error == XlsxWorkbook::FileNotFound)
        return QFileInfo(path).isDir() ? QStringLiteral("%1 is a folder, not a workbook").arg(path)
                                       : QStringLiteral("no such file: %1").arg(path);
    if (error == XlsxWorkbook::Ok)
        error = book.selectSheet(ExelToWrite::SheetName);
    if (error == XlsxWorkbook::Ok)
        return QString();
    QString text = QStringLiteral("%1: %2").arg(path, XlsxWorkbook::errorText(error));
    if (error == XlsxWorkbook::NoSuchSheet)
        text += QStringLiteral(" \"%1\"").arg(ExelToWrite::SheetName);
    if (!book.errorDetail().isEmpty())
        text += QStringLiteral(" (%1)").arg(book.errorDetail());
    return text;
}

QString exportTemplate(const Options &o)
{
    return o.templateFile.isEmpty()
        ? ParameterTransfer::templatePath(o.language, QCoreApplication::applicationDirPath())
        : o.templateFile;
}

// The files of the run, checked before the link is opened: a run that cannot
// read or write its files has no business with the device.
QString fileProblem(const Options &o)
{
    if (o.mode != Mode::Export)
        return readableFileProblem(o.file);
    const QString templateFile = exportTemplate(o);
    const QString problem = readableFileProblem(templateFile);
    if (!problem.isEmpty())
        return QStringLiteral("template: %1").arg(problem);
    const QFileInfo target(o.file);
    if (target.isDir())
        return QStringLiteral("%1 is a folder").arg(o.file);
    if (!QFileInfo(target.absolutePath()).isDir())
        return QStringLiteral("no folder %1 for %2").arg(target.absolutePath(), target.fileName());
    if (target.exists() && target.canonicalFilePath() == QFileInfo(templateFile).canonicalFilePath())
        return QStringLiteral("%1 is the template itself").arg(o.file);
    return QString();
}

Outcome runExport(const Options &o, WorkbookCollection *books)
{
    Outcome outcome;
    ExelToWrite transfer;
    transfer.setRowByRow(o.rowByRow);
    LinkWatch watch(transfer);
    int result;
    QString written;
    {
        Progress progress(transfer, QStringLiteral("export"));
        result = ParameterTransfer::exportToFile(transfer, books, exportTemplate(o), o.file, modbusClient(),
                                                 &written);
    }
    const TransferReport &report = transfer.report();
    if (endedBadly(result, watch, o.file, report, &outcome))
        return outcome;
    printSummary(Kind::Export, QStringLiteral("export to %1").arg(o.file), report, 0, 0, {});
    outcome.code = rowsExitCode(report);
    if (written != QFileInfo(o.file).absoluteFilePath())
        outcome.message = QStringLiteral("%1 was kept; this export, with failed rows, is in %2").arg(o.file, written);
    return outcome;
}

Outcome runImport(const Options &o, WorkbookCollection *books)
{
    Outcome outcome;
    ExelToWrite transfer;
    LinkWatch watch(transfer);
    int result;
    {
        Progress progress(transfer, QStringLiteral("import"));
        result = transfer.importWorkbook(books, o.file, modbusClient());
    }
    const TransferReport &report = transfer.report();
    if (endedBadly(result, watch, o.file, report, &outcome)) {
        if (report.transferred > 0)
            outcome.message += QStringLiteral(" after %1 rows were written").arg(report.transferred);
        return outcome;
    }
    printSummary(Kind::Import, QStringLiteral("import of %1").arg(o.file), report, 0, 0, {});
    outcome.code = rowsExitCode(report);
    if (report.transferred == 0) {
        outcome.code = ExitRowsFailed;
        outcome.message = QStringLiteral("nothing was written: no row of %1 has a value the device took").arg(o.file);
    }
    return outcome;
}

// Exports the device into a copy of the workbook with the export's own row
// rules, then compares the two value columns; the device is only read.
Outcome runCompare(const Options &o, WorkbookCollection *books)
{
    Outcome outcome;
    XlsxWorkbook original;
    XlsxWorkbook::Error error = original.open(o.file);
    if (error == XlsxWorkbook::Ok)
        error = original.selectSheet(ExelToWrite::SheetName);
    if (error != XlsxWorkbook::Ok) {
        outcome.code = ExitLinkOrFile;
        outcome.message = QStringLiteral("%1: %2").arg(o.file, XlsxWorkbook::errorText(error));
        return outcome;
    }
    QTemporaryDir scratch;
    const QString copy = scratch.filePath(QStringLiteral("device.xlsx"));
    if (!scratch.isValid() || !QFile::copy(o.file, copy)) {
        outcome.code = ExitLinkOrFile;
        outcome.message = QStringLiteral("cannot make a working copy of %1").arg(o.file);
        return outcome;
    }
    QFile::setPermissions(copy, QFile::permissions(copy) | QFile::WriteOwner);

    ExelToWrite transfer;
    transfer.setRowByRow(o.rowByRow);
    LinkWatch watch(transfer);
    int result;
    {
        Progress progress(transfer, QStringLiteral("compare"));
        result = transfer.exportWorkbook(books, copy, modbusClient());
    }
    TransferReport report = transfer.report();
    if (endedBadly(result, watch, o.file, report, &outcome))
        return outcome;

    XlsxWorkbook device;
    error = device.open(copy);
    if (error == XlsxWorkbook::Ok)
        error = device.selectSheet(ExelToWrite::SheetName);
    if (error != XlsxWorkbook::Ok) {
        outcome.code = ExitLinkOrFile;
        outcome.message = QStringLiteral("%1: %2").arg(copy, XlsxWorkbook::errorText(error));
        return outcome;
    }
    QStringList differing;
    int differ = 0, compared = 0;
    for (int row = 2; row <= original.rowCount(); ++row) {
        bool readable = true;
        const QString wanted = original.cellText(row, ExelToWrite::ColValue, &readable).trimmed();
        const QString actual = device.cellText(row, ExelToWrite::ColValue).trimmed();
        const QString address = original.cellText(row, ExelToWrite::ColAddress).trimmed();
        quint32 type = 0;
        if (address.isEmpty() || actual.isEmpty()
            || !ExelToWrite::parseUnsigned(original.cellText(row, ExelToWrite::ColType), &type))
            continue; // not read from the device (counted by the export)
        if (!readable) {
            // A formula without a stored result: the workbook's value is unknown.
            report.refuse(address.left(16), QStringLiteral("unreadable cell G%1").arg(row));
            continue;
        }
        if (wanted.isEmpty()) {
            ++report.noValue;
            continue;
        }
        ++compared;
        bool wantedOk = false, actualOk = false;
        const QString a = normalised(wanted, type, &wantedOk);
        const QString b = normalised(actual, type, &actualOk);
        if (wantedOk && actualOk && a == b)
            continue;
        ++differ;
        if (differing.size() < TransferReport::RowsListed)
            differing << address;
        printOut(QStringLiteral("%1\t%2\tworkbook %3\tdevice %4\n")
                     .arg(escaped(address), escaped(original.cellText(row, ExelToWrite::ColName).trimmed()),
                          escaped(wanted), escaped(actual)));
    }
    printSummary(Kind::Compare, QStringLiteral("compare with %1").arg(o.file), report, compared, differ, differing);
    outcome.code = (differ > 0 || report.problemCount() > 0) ? ExitRowsFailed : ExitDone;
    if (compared == 0) {
        outcome.code = ExitRowsFailed;
        outcome.message = QStringLiteral("nothing was compared: no row of %1 has both a value and a device reading")
                              .arg(o.file);
    }
    return outcome;
}

} // namespace

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

int run(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("r7config"));
    QCoreApplication::setApplicationVersion(QStringLiteral(R7_VERSION));

    Options options;
    QString error, help;
    switch (parseOptions(QCoreApplication::arguments(), &options, &error, &help)) {
    case Parsed::Help:
    case Parsed::Version:
        printOut(help);
        return ExitDone;
    case Parsed::Error:
        printErr(QStringLiteral("r7config: %1\n"
                                "Usage: r7config --export|--import|--compare FILE --tcp HOST[:PORT]|--rtu DEVICE "
                                "[options]\nTry 'r7config --help'.\n")
                     .arg(error));
        return ExitBadArguments;
    case Parsed::Run:
        break;
    }

    s_verbose = setupModbusTraces(options.verbose);
    s_previousHandler = qInstallMessageHandler(messageHandler);
    SignalGuard signalGuard;

    Outcome outcome;
    TrafficCsvFile traffic;
    QString problem = fileProblem(options);
    if (problem.isEmpty() && !options.trafficFile.isEmpty())
        problem = traffic.open(options.trafficFile);
    if (!problem.isEmpty()) {
        outcome.code = ExitLinkOrFile;
        outcome.message = problem;
    } else if (!openLink(options, &error)) {
        outcome.code = ExitLinkOrFile;
        outcome.message = QStringLiteral("no link to %1: %2").arg(options.linkText(), error);
    } else {
        WorkbookCollection *books = startSpreadsheet();
        switch (options.mode) {
        case Mode::Export:
            outcome = runExport(options, books);
            break;
        case Mode::Import:
            outcome = runImport(options, books);
            break;
        case Mode::Compare:
            outcome = runCompare(options, books);
            break;
        case Mode::None:
            break;
        }
        stopSpreadsheet();
    }
    if (s_interrupted && outcome.code != ExitDone) {
        outcome.code = ExitLinkOrFile;
        outcome.message = QStringLiteral("interrupted");
    }
    disconnectClient();
    if (!outcome.message.isEmpty())
        printErr(QStringLiteral("r7config: %1\n").arg(outcome.message));
    qInstallMessageHandler(s_previousHandler);
    return outcome.code;
}

} // namespace Headless
