#include "main/headless.h"
#include "main/scanrun.h"

#include "Excel/exeltowrite.h"
#include "Excel/parametertransfer.h"
#include "Excel/spreadsheet.h"
#include "Excel/xlsxworkbook.h"
#include "Modbus/devicelink.h"
#include "Modbus/linkstate.h"
#include "Modbus/trafficlog.h"
#include "main/headlessoptions.h"
#include "main/headlessreport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace Headless {

namespace {

// Rows that fail one after the other, then a failed test read: the link is
// gone, and waiting out a time-out on every remaining row would only delay
// the verdict.
constexpr int FailuresBeforeProbe = 3;

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
        quint16 words[2] = {0, 0};
        if (DeviceLink::instance().read(0, 2, words) != ResultOk) {
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
        result = ParameterTransfer::exportToFile(transfer, books, exportTemplate(o), o.file, DeviceLink::instance().client(),
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
        result = transfer.importWorkbook(books, o.file, DeviceLink::instance().client());
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
        result = transfer.exportWorkbook(books, copy, DeviceLink::instance().client());
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

int run(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("r7config"));
    QCoreApplication::setApplicationVersion(QStringLiteral(R7_VERSION));
    if (scanWanted(QCoreApplication::arguments()))
        return runScan(QCoreApplication::arguments());

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

    // The transfers trace every step; without --verbose only warnings get out.
    const QtMessageHandler previousHandler = quietTraces(setupModbusTraces(options.verbose));
    SignalGuard signalGuard;

    Outcome outcome;
    TrafficCsvFile traffic;
    QString problem = fileProblem(options);
    if (problem.isEmpty() && !options.trafficFile.isEmpty())
        problem = traffic.open(options.trafficFile);
    if (!problem.isEmpty()) {
        outcome.code = ExitLinkOrFile;
        outcome.message = problem;
    } else if (const LinkProof proof = DeviceLink::instance().open(options.link); !proof.ok()) {
        outcome.code = ExitLinkOrFile;
        outcome.message = QStringLiteral("no link to %1: %2").arg(options.link.text(), proof.detail);
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
    DeviceLink::instance().close();
    if (!outcome.message.isEmpty())
        printErr(QStringLiteral("r7config: %1\n").arg(outcome.message));
    qInstallMessageHandler(previousHandler);
    return outcome.code;
}


} // namespace Headless
