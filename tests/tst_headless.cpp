// r7config without a window against the simulator over TCP and a pty pair: --export, --import, --compare, refused
// rows, argument errors, dead links, and a program installed with cmake --install.

#include "Excel/exeltowrite.h"
#include "Excel/parametertable.h"
#include "Excel/xlsxworkbook.h"
#include "Base/apppaths.h"
#include "Modbus/devicescan.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QtTest>

#include <unistd.h>

struct Run { int exitCode = -1; QString out, err; }; // exitCode -1: crashed or still running after the time allowed

// Runs a program to its end; atTenPercent is called once its export is that far.
static Run runProgram(const QString &program, const QStringList &arguments,
                      const std::function<void()> &atTenPercent = {})
{
    TiedProcess process;
    process.start(program, arguments);
    Run run;
    if (!process.waitForStarted(10000))
        return run;
    QByteArray err;
    const auto tenPercent = [&] { return (err += process.readAllStandardError()).contains("export: 10%"); };
    if (atTenPercent && QTest::qWaitFor(tenPercent, 20000))
        atTenPercent();
    if (!process.waitForFinished(120000))
        process.kill();
    process.waitForFinished(5000);
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(err + process.readAllStandardError());
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

// Address -> text of the column in every parameter row; with cells given, first writes those and saves.
static QMap<QString, QString> values(const QString &path, int column, const QMap<QString, QString> &cells = {})
{
    QMap<QString, QString> result;
    XlsxWorkbook book;
    if (book.open(path) != XlsxWorkbook::Ok || book.selectSheet(ExelToWrite::SheetName) != XlsxWorkbook::Ok)
        return result;
    for (int row = 2; row <= book.rowCount(); ++row) {
        const QString address = book.cellText(row, ExelToWrite::ColAddress);
        if (cells.contains(address) && book.setCellText(row, column, cells[address]) != XlsxWorkbook::Ok)
            return {};
        result.insert(address, book.cellText(row, column));
    }
    return cells.isEmpty() || book.save() == XlsxWorkbook::Ok ? result : QMap<QString, QString>();
}

class TestHeadless : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exportImportCompare_data();
    void exportImportCompare();
    void blocksAndRowByRow_data();
    void blocksAndRowByRow();
    void failedRuns_data();
    void failedRuns();
    void ipv6Link();
    void lateReplies_data();
    void lateReplies();
    void installedTree();
    void scan_data();
    void scan();
    void scanOrder_data();
    void scanOrder();

private:
    Run r7(const QStringList &arguments) { return runProgram(QStringLiteral(R7CONFIG), arguments); }
    // The registers from address on, separated by blanks.
    QString sim(int address, int count = 1)
    {
        m_sim->command(QStringLiteral("get %1 %2").arg(address).arg(count));
        return m_sim->lastAnswer().mid(3);
    }

    SocatPair m_pair;
    std::unique_ptr<SimProcess> m_sim;
    QMap<QString, QStringList> m_link; // "tcp", "rtu": the arguments that reach the simulator
    QTemporaryDir m_dir;
    QTemporaryDir m_shared; // a folder others may enter
};

void TestHeadless::initTestCase()
{
    if (!SocatPair::isAvailable())
        QSKIP("socat is not installed");
    QVERIFY2(m_pair.start(), qPrintable(m_pair.errorString()));
    m_sim.reset(new SimProcess({"--tcp", "0", "--rtu", m_pair.second()}));
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
    m_link["tcp"] = QStringList{"--tcp", QStringLiteral("%1:%2").arg(m_sim->tcpHost()).arg(m_sim->tcpPort())};
    m_link["rtu"] = QStringList{"--rtu", m_pair.first()};
}

void TestHeadless::exportImportCompare_data()
{
    QTest::addColumn<QString>("transport");
    QTest::newRow("tcp, English") << "tcp";
    QTest::newRow("rtu, Chinese") << "rtu";
}

void TestHeadless::exportImportCompare()
{
    QFETCH(QString, transport);
    const int language = transport == QLatin1String("rtu");
    const QString linkAddress = language ? "8005" : "8102"; // a setting of the link in use, never imported over it
    // 114-115 STAB Range (0..99), 206-207 Full Scale: 32-bit values, high word first.
    for (const char *set : {"set 114 0", "set 115 7", "set 206 1", "set 207 57920"})
        QVERIFY(m_sim->command(QLatin1String(set)));
    const QString file = m_dir.filePath(transport + QStringLiteral(".xlsx"));
    Run run = r7(QStringList{"--export", file, "--language", language ? "zh" : "en"} + m_link[transport]);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QMap<QString, QString> names;
    for (const QStringList &row : templateSheet(language).mid(1))
        names.insert(row.at(0), row.at(1));
    QCOMPARE(values(file, ExelToWrite::ColName), names);
    const QMap<QString, QString> exported = values(file, ExelToWrite::ColValue);
    QCOMPARE(exported.value("114") + ' ' + exported.value("206"), QStringLiteral("7 123456"));
    QVERIFY2(run.err.contains(QStringLiteral("read %1,").arg(names.size())), qPrintable(run.err));

    const QString linkBefore = exported.value(linkAddress);
    const QString other = linkBefore == QLatin1String("1") ? "2" : "1";
    QVERIFY(!values(file, ExelToWrite::ColValue, {{"114", "8"}, {"206", "654321"}, {linkAddress, other}}).isEmpty());
    // --traffic: one CSV line per exchange, all answered, as many writes as the device took in.
    const QString traffic = m_dir.filePath(transport + QStringLiteral(".csv"));
    QVERIFY(m_sim->command(QStringLiteral("writes reset")));
    run = r7(QStringList{"--import", file, "--traffic", traffic} + m_link[transport]);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(sim(114, 2) + ' ' + sim(206, 2), QStringLiteral("0 8 9 64497")); // 654321 = 9:64497
    QFile csv(traffic);
    QVERIFY(csv.open(QIODevice::ReadOnly) && m_sim->command(QStringLiteral("writes")));
    const QList<QByteArray> lines = csv.readAll().split('\n').mid(1, -1);
    int writes = 0;
    for (const QByteArray &line : lines.mid(0, lines.size() - 1)) {
        const QList<QByteArray> f = line.split(',');
        QVERIFY2(f.size() == 9 && f.last() == "OK", line.constData());
        writes += f.at(2) == "10" || f.at(2) == "06";
    }
    QCOMPARE(QString::number(writes), m_sim->lastAnswer().section(QLatin1Char(' '), -1));
    QCOMPARE(sim(linkAddress.toInt()), linkBefore);

    // A compare reads and never writes; it names the rows that differ, here only 114, in one line however its name
    // reads.
    QVERIFY(!values(file, ExelToWrite::ColValue, {{linkAddress, linkBefore}}).isEmpty());
    QVERIFY(!values(file, ExelToWrite::ColName, {{"114", "a\tb\\n\n8100\tfake\tworkbook 1\tdevice 2"}}).isEmpty());
    QVERIFY(m_sim->command(QStringLiteral("writes reset")) && m_sim->command(QStringLiteral("set 115 9")));
    run = r7(QStringList{"--compare", file} + m_link[transport]);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QStringLiteral("114\ta\\tb\\\\n\\n8100\\tfake\\tworkbook 1\\tdevice 2\tworkbook 8\tdevice 9\n"));
    QVERIFY2(run.err.contains(QStringLiteral("differ: 114")), qPrintable(run.err));
    QVERIFY(m_sim->command(QStringLiteral("writes")) && m_sim->lastAnswer().endsWith(QStringLiteral(" 0")));
}

void TestHeadless::blocksAndRowByRow_data()
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<QString>("wordOrder");
    QTest::newRow("tcp, ABCD") << "tcp" << "ABCD";
    QTest::newRow("tcp, CDAB") << "tcp" << "CDAB";
    QTest::newRow("rtu, ABCD") << "rtu" << "ABCD";
    QTest::newRow("rtu, CDAB") << "rtu" << "CDAB";
}

// An export in blocks and one row by row write the same sheet, byte for byte.
void TestHeadless::blocksAndRowByRow()
{
    QFETCH(QString, transport);
    QFETCH(QString, wordOrder);
    // Distinct words in the Basic Config and Weight & CAL registers, put back at the end for the suites after.
    const KeptRegisters kept(*m_sim, {{100, 30}, {206, 2}, {224, 2}});
    for (int a = 100; a < 130; ++a)
        QVERIFY(m_sim->command(QStringLiteral("set %1 %2").arg(a).arg(257 * (a - 90))));
    for (const char *set : {"set 206 3", "set 207 4", "set 224 5", "set 225 6"})
        QVERIFY(m_sim->command(QLatin1String(set)));
    QByteArray sheets[2];
    for (int rowByRow : {0, 1}) {
        const QString file = m_dir.filePath(QStringLiteral("rows%1.xlsx").arg(rowByRow));
        const QStringList mode = rowByRow ? QStringList{"--row-by-row"} : QStringList();
        const Run run = r7(QStringList{"--export", file, "--word-order", wordOrder} + mode + m_link[transport]);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        XlsxWorkbook book;
        QVERIFY(book.open(file) == XlsxWorkbook::Ok && book.selectSheet(ExelToWrite::SheetName) == XlsxWorkbook::Ok);
        sheets[rowByRow] = TestSupport::packageParts(file, QStringLiteral("xl/worksheets/"));
        const QString fullScale = wordOrder == QLatin1String("ABCD") ? "196612" : "262147"; // 3:4 or 4:3
        QCOMPARE(values(file, ExelToWrite::ColValue).value("206"), fullScale);
    }
    QVERIFY(!sheets[0].isNull());
    QCOMPARE(sheets[0], sheets[1]);
}

void TestHeadless::failedRuns_data()
{
    QTest::addColumn<QStringList>("arguments"); // after --export FILE unless they name a mode
    QTest::addColumn<QString>("fault");         // "noreply on" comes once the export is under way, others before;
                                                // "alone": no --export FILE before the arguments
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");           // a pattern of stderr, then stdout
    const QString f = m_dir.filePath(QStringLiteral("backup.xlsx"));
    const QString refused = m_dir.filePath(QStringLiteral("refused.xlsx"));
    QCOMPARE(r7(QStringList{"--export", refused} + m_link["tcp"]).exitCode, 0); // read by the refused rows below
    // 104 Zero Range takes 1..99: one row above its maximum, the rest as exported.
    const QString aboveMax = m_dir.filePath(QStringLiteral("above-max.xlsx"));
    QVERIFY(QFile::copy(refused, aboveMax) && !values(aboveMax, ExelToWrite::ColValue, {{"104", "100"}}).isEmpty());
    // Value cells as scripts write them: formulas without a stored result, and an empty one.
    const QString formulas = m_dir.filePath(QStringLiteral("formulas.xlsx"));
    QProcess openpyxl;
    openpyxl.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(
        "import openpyxl, sys\nwb = openpyxl.Workbook()\nws = wb.active\nws.title = '读写类'\n"
        "for row in [['Address', 'Name', 'Type', 'Max', 'Min', 'Page', 'Value'], [114, 'STAB', 2, 99, 0, 'p', '=3+4'],"
        " [116, 'time', 2, 5000, 1, 'p', '=A2*2'], [118, 'empty', 2, 99, 0, 'p', None]]:\n    ws.append(row)\n"
        "wb.save(sys.argv[1])"), formulas});
    QVERIFY(openpyxl.waitForFinished(30000) && openpyxl.exitCode() == 0);
    const QString bare = QStringLiteral(R7_BUILD_DIR "/template/") + templateFileName(0);
    // A workbook in a folder nobody may search, and one nobody may read (run as nobody when the suite runs as root).
    QVERIFY(QFile::setPermissions(m_shared.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                       | QFile::ReadOther | QFile::ExeOther));
    const QString locked = m_shared.filePath(QStringLiteral("locked"));
    const QString unreadable = m_shared.filePath(QStringLiteral("unreadable.xlsx"));
    QVERIFY(QDir().mkpath(locked) && QFile::copy(refused, locked + QStringLiteral("/backup.xlsx"))
            && QFile::copy(refused, unreadable));
    QVERIFY(QFile::setPermissions(locked, {}) && QFile::setPermissions(unreadable, {}));
    const QString closed = QStringLiteral("127.0.0.1:1"); // file problems are found before the link is opened
    const QStringList tcp{"--tcp", "127.0.0.1"};
    const QStringList timeout{"--timeout", "300"};
    const auto row = [](const char *name, const QStringList &arguments, const char *fault, int exitCode,
                        const char *err) {
        QTest::newRow(name) << arguments << QString::fromLatin1(fault) << exitCode << QString::fromUtf8(err);
    };
    row("unknown option", QStringList{"--speed", "9"} + tcp, "", 2, "speed");
    // Without a link option these used to open the window.
    row("misspelt mode", {"--exprot", f}, "alone", 2, "exprot.*\nUsage: r7config ");
    row("mode in capitals", {"--Export", f}, "alone", 2, "Export");
    row("unit alone", {"--unit", "0"}, "alone", 2, "--export, --import or --compare");
    row("single dash", {"-compare", f}, "alone", 2, "--tcp");
    row("version", {"--version"}, "alone", 0, "^r7config \\d+\\.\\d+\\.\\d+\n$");
    row("mode without its file", QStringList{"--export", "--verbose"} + tcp, "", 2, "--export.*'--verbose'");
    row("no link", {}, "", 2, "--tcp");
    row("two modes", QStringList{"--export", f, "--compare", f} + tcp, "", 2, "--compare");
    row("bad port", {"--tcp", "127.0.0.1:70000"}, "", 2, "--tcp");
    row("port 0", {"--tcp", "127.0.0.1:0"}, "", 2, "--tcp");
    row("host:port:more", {"--tcp", "127.0.0.1:502:1"}, "", 2, "--tcp");
    row("bare IPv6 address, port 502", timeout + QStringList{"--tcp", "::1"}, "", 3, "no link to \\[::1\\]:502 ");
    row("unit 248", QStringList{"--unit", "248"} + tcp, "", 2, "--unit");
    row("serial option on tcp", QStringList{"--baud", "9600"} + tcp, "", 2, "--baud");
    row("template on import", QStringList{"--import", f, "--template", f} + tcp, "", 2, "--template");
    row("import of no file", QStringList{"--import", m_dir.filePath("none.xlsx"), "--tcp", closed}, "", 3,
        "no such file: .*none.xlsx\n$");
    row("import of a folder", QStringList{"--import", m_dir.path(), "--tcp", closed}, "", 3, "is a folder");
    row("template missing", QStringList{"--template", m_dir.filePath("none.xlsx"), "--tcp", closed}, "", 3,
        "template: no such file");
    row("template is the target", QStringList{"--template", f, "--tcp", closed}, "copy refused.xlsx", 3,
        "backup.xlsx is the template itself");
    row("no target folder", QStringList{"--export", m_dir.filePath("none/backup.xlsx"), "--tcp", closed}, "", 3,
        "no folder .*/none for backup.xlsx");
    row("cell outside its row", QStringList{"--import", R7_CORPUS_DIR "/misplaced_cell.xlsx", "--tcp", closed}, "", 3,
        "a cell lies outside its row \\(cell G3 stored in row 2\\)");
    row("eight million cells", QStringList{"--compare", R7_CORPUS_DIR "/many_cells.xlsx", "--tcp", closed}, "", 3,
        "too many cells");
    row("file behind a folder without search permission",
        QStringList{"--import", locked + "/backup.xlsx", "--tcp", closed}, "as nobody", 3,
        "backup.xlsx: the file cannot be read \\(Permission denied\\)");
    row("unreadable file", QStringList{"--compare", unreadable, "--tcp", closed}, "as nobody", 3,
        "unreadable.xlsx: the file cannot be read \\(Permission denied\\)");
    row("zip bomb", QStringList{"--import", R7_CORPUS_DIR "/zip_bomb.xlsx", "--tcp", closed}, "", 3,
        "unpacks to more than 32 MB");
    row("tcp port closed", timeout + QStringList{"--tcp", "127.0.0.1:1"}, "", 3, "r7config: ");
    row("no serial device", timeout + QStringList{"--rtu", m_dir.filePath("no-such-tty")}, "", 3, "r7config: ");
    row("device stops answering", timeout + m_link["tcp"], "noreply on", 3, "r7config: ");
    // Every Data-Trans write refused: many rows one after the other, yet the link is fine, so the import goes on.
    row("export, a row refused", m_link["tcp"], "fail 8102", 1,
        "read \\d+, failed 1, refused 0, kept 0\n  failed: 8102\nr7config: .*backup.xlsx was kept; this export, "
        "with failed rows, is in .*backup.incomplete.xlsx\n$");
    row("compare, a row refused", QStringList{"--compare", refused} + m_link["tcp"], "fail 8102", 1,
        "failed 1, refused 0, kept 0, no value 0, compared \\d+, differ 0\n  failed: 8102\n$");
    row("import, Data-Trans refused", QStringList{"--import", refused} + m_link["tcp"], "set 10207 0", 1,
        "written \\d+, failed \\d+, refused 0, kept 12, no value 0\n  failed: 8000, 8001, 8002, 8003, 8004, "
        "\\.\\.\\.\n$");
    row("import, a row above its maximum", QStringList{"--import", aboveMax} + m_link["tcp"], "", 1,
        "written \\d+, failed 0, refused 1, kept 12, no value 0\n  refused: 104 \\(above its maximum 99\\)\n$");
    row("import of formulas without results", QStringList{"--import", formulas} + m_link["tcp"], "", 1,
        "written 0, failed 0, refused 2, kept 0, no value 1\n  refused: 114 \\(unreadable cell G2\\), 116 "
        "\\(unreadable cell G3\\)\nr7config: nothing was written");
    row("compare of formulas without results", QStringList{"--compare", formulas} + m_link["tcp"], "", 1,
        "refused 2, kept 0, no value 1, compared 0, differ 0\n  refused: 114 \\(unreadable cell G2\\), 116 "
        "\\(unreadable cell G3\\)\nr7config: nothing was compared");
    row("import of the bare template", QStringList{"--import", bare} + m_link["tcp"], "", 1,
        "written 0, failed 0, refused 0, kept 12, no value \\d+\nr7config: nothing was written");
    row("compare of the bare template", QStringList{"--compare", bare} + m_link["tcp"], "", 1,
        "compared 0, differ 0\nr7config: nothing was compared");
}

// Refused rows are counted and named and end the run with 1; a run that fails outright, or an export with failed
// rows, leaves an earlier backup at the target as it was. None leaves a part file. Only an import writes, and only
// rows that passed every rule.
void TestHeadless::failedRuns()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, fault);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    const QString file = m_dir.filePath(QStringLiteral("backup.xlsx"));
    const QString incomplete = m_dir.filePath(QStringLiteral("backup.incomplete.xlsx"));
    QFile::remove(incomplete);
    QFile previous(file);
    QByteArray earlier = "earlier backup";
    if (fault == QLatin1String("copy refused.xlsx")) {
        QFile::remove(file);
        QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("refused.xlsx")), file));
        QVERIFY(previous.open(QIODevice::ReadOnly));
        earlier = previous.readAll();
        previous.close();
        fault.clear();
    } else {
        QVERIFY(previous.open(QIODevice::WriteOnly | QIODevice::Truncate) && previous.write(earlier) > 0);
        previous.close();
    }
    const bool later = fault == QLatin1String("noreply on");
    const bool alone = fault == QLatin1String("alone");
    const bool nobody = fault == QLatin1String("as nobody");
    QVERIFY(later || alone || nobody || fault.isEmpty() || m_sim->command(fault));
    QVERIFY(m_sim->command(QStringLiteral("writes reset")));
    const QString before104 = sim(104, 2); // 104 Zero Range: refused above its maximum
    // A few slow replies: an export reads in blocks, and would be over before the simulator falls silent.
    QVERIFY(!later || m_sim->command(QStringLiteral("delay 40")));
    const std::function<void()> fallSilent = [this] { m_sim->command(QStringLiteral("noreply on")); };
    const bool exporting = !alone && arguments.filter(QRegularExpression("^--(import|compare)$")).isEmpty()
        && !arguments.contains(QStringLiteral("--export"));
    // Root may read anything: the permission rows run the program as nobody.
    const QStringList asNobody = nobody && ::geteuid() == 0
        ? QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", R7CONFIG} : QStringList();
    const Run run = runProgram(asNobody.isEmpty() ? QStringLiteral(R7CONFIG) : QStringLiteral("setpriv"),
                               asNobody + (exporting ? QStringList{"--export", file} : QStringList()) + arguments,
                               later ? fallSilent : nullptr);
    QVERIFY(m_sim->command("noreply off") && m_sim->command("fail off") && m_sim->command("set 10207 1")
            && m_sim->command("delay 0"));
    QVERIFY2(run.exitCode == exitCode && QRegularExpression(err).match(run.err + run.out).hasMatch()
                 && (exitCode == 0 || run.out.isEmpty()),
             qPrintable(QStringLiteral("exit %1: %2").arg(run.exitCode).arg(run.err + run.out)));
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*.part-*")}, QDir::Files | QDir::Hidden), QStringList());
    const bool importing = arguments.contains(QStringLiteral("--import"));
    QVERIFY(m_sim->command(QStringLiteral("writes")));
    if (!importing || exitCode != 1)
        QVERIFY2(m_sim->lastAnswer().endsWith(QStringLiteral(" 0")), qPrintable(m_sim->lastAnswer()));
    QCOMPARE(sim(104, 2), before104);
    QVERIFY(previous.open(QIODevice::ReadOnly));
    QCOMPARE(previous.readAll(), earlier);
    if (exporting && exitCode == 1)
        QVERIFY(values(incomplete, ExelToWrite::ColValue).value("8102", "unread").isEmpty());
}

// A transmitter reached over IPv6, by its address in brackets with the port.
void TestHeadless::ipv6Link()
{
    SimProcess sim6({"--tcp", "[::1]:0"});
    QVERIFY2(sim6.start(), qPrintable(sim6.errorString()));
    QCOMPARE(sim6.tcpHost(), QStringLiteral("::1"));
    const QString file = m_dir.filePath(QStringLiteral("ipv6.xlsx"));
    const Run run = r7({"--export", file, "--tcp", QStringLiteral("[::1]:%1").arg(sim6.tcpPort())});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(values(file, ExelToWrite::ColValue).size(), templateRows().size());
}

void TestHeadless::lateReplies_data()
{
    QTest::addColumn<QString>("transport");
    QTest::newRow("tcp") << "tcp";
    QTest::newRow("rtu") << "rtu";
}

// Three replies in the middle of an export come 1.8 s late, past the 1 s time-out (1.27 s on the 9600 baud line): those rows fail and every other
// row holds its own register's value, as a clean export has it. A serial line has no transaction id to tell the
// late replies from the answers to the rows after them.
void TestHeadless::lateReplies()
{
    QFETCH(QString, transport);
    const QString clean = m_dir.filePath(transport + QStringLiteral("-clean.xlsx"));
    const QString file = m_dir.filePath(transport + QStringLiteral("-late.xlsx"));
    QCOMPARE(r7(QStringList{"--export", clean} + m_link[transport]).exitCode, 0);
    QVERIFY(m_sim->command(QStringLiteral("late 20 1800 3")));
    // Row by row: a request per row, so the late replies land among many requests that come after them.
    const Run run = r7(QStringList{"--export", file, "--timeout", "1000", "--row-by-row"} + m_link[transport]);
    QVERIFY(m_sim->command(QStringLiteral("late off")));
    QVERIFY2(run.exitCode == 1 && run.err.contains(QStringLiteral(", failed 3,")), qPrintable(run.err));
    const QMap<QString, QString> expected = values(clean, ExelToWrite::ColValue);
    const QMap<QString, QString> actual = values(file, ExelToWrite::ColValue);
    QCOMPARE(actual.keys(), expected.keys());
    int failed = 0;
    for (auto it = actual.cbegin(); it != actual.cend(); ++it) {
        if (it.value().isEmpty() && !expected.value(it.key()).isEmpty())
            ++failed;
        else
            QCOMPARE(it.key() + ' ' + it.value(), it.key() + ' ' + expected.value(it.key()));
    }
    QCOMPARE(failed, 3);
}

// cmake --install into a temporary prefix: the installed program finds its templates in share/r7config/template and
// keeps its files in the user's folders rather than beside itself in bin/.
void TestHeadless::installedTree()
{
    const QString prefix = m_dir.filePath(QStringLiteral("prefix"));
    const Run install = runProgram(QStringLiteral(R7_CMAKE), {"--install", R7_BUILD_DIR, "--prefix", prefix});
    QVERIFY2(install.exitCode == 0, qPrintable(install.err + install.out));
    const QString bin = prefix + QStringLiteral("/bin");
    QVERIFY(!QFileInfo::exists(bin + QStringLiteral("/template")));
    const QString file = m_dir.filePath(QStringLiteral("installed.xlsx"));
    const Run run = runProgram(bin + QStringLiteral("/r7config"), QStringList{"--export", file} + m_link["tcp"]);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(values(file, ExelToWrite::ColValue).size(), templateRows().size());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
    QCOMPARE(AppPaths::exportBase(bin), m_dir.filePath(QStringLiteral("data/r7config")));
    const QByteArray settingsDir = qgetenv("R7CONFIG_SETTINGS_DIR");
    qunsetenv("R7CONFIG_SETTINGS_DIR");
    const QString settings = AppPaths::settingsDirectory(bin);
    // A program folder that cannot be written (below a plain file, which stops even root) keeps no setting.ini.
    QFile plain(m_dir.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    const QString unwritable = AppPaths::settingsDirectory(plain.fileName() + QStringLiteral("/app"));
    if (!settingsDir.isEmpty())
        qputenv("R7CONFIG_SETTINGS_DIR", settingsDir);
    QCOMPARE(settings, m_dir.filePath(QStringLiteral("config/r7config")));
    QCOMPARE(unwritable, settings);
    // A program run from its own folder keeps its files there.
    const QString app = m_dir.filePath(QStringLiteral("app"));
    QVERIFY(QDir().mkpath(app + QStringLiteral("/template")));
    QCOMPARE(AppPaths::templateBase(app) + AppPaths::exportBase(app), app + app);
}

void TestHeadless::scan_data()
{
    QTest::addColumn<QStringList>("simulator"); // "LINK" stands for a pty link, "PORT" for the TCP port
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");           // a pattern of the whole standard output
    QTest::addColumn<int>("boundMs");
    const QStringList tcp{"--tcp", "127.0.0.1:PORT"};
    // A pty carries no parity, so the device answers at every parity of its baud rate, and at no other.
    QTest::newRow("pty, unit 5 at 19200") << QStringList{"--pty", "LINK", "--baud", "19200", "--unit", "5"}
        << QStringList{"--rtu", "LINK", "--unit-range", "5-6"} << 0
        << "^unit 5, 19200 baud, 8N1\n(unit 5, 19200 baud, 8[EO]1\n){0,2}$" << 20000;
    QTest::newRow("pty, 2 stop bits") << QStringList{"--pty", "LINK", "--baud", "4800", "--stop-bits", "2"}
        << QStringList{"--rtu", "LINK", "--unit-range", "1-1", "--stop-bits", "2", "--baud", "38400"} << 0
        << "^unit 1, 4800 baud, 8N2\n(unit 1, 4800 baud, 8[EO]2\n){0,2}$" << 20000;
    QTest::newRow("pty, wrong stop bits") << QStringList{"--pty", "LINK", "--baud", "4800", "--stop-bits", "2"}
        << QStringList{"--rtu", "LINK", "--unit-range", "1-1"} << 3 << "^$" << 20000;
    QTest::newRow("pty, no answer") << QStringList{"--pty", "LINK", "--no-reply"}
        << QStringList{"--rtu", "LINK", "--unit-range", "1-1"} << 3 << "^$" << 20000;
    QTest::newRow("tcp, unit 7") << QStringList{"--tcp", "0", "--unit", "7"} << tcp + QStringList{"--unit-range", "1-20"}
        << 0 << "^unit 7\n$" << 5000;
    QTest::newRow("tcp, exception") << QStringList{"--tcp", "0", "--unit", "3", "--fail-address", "0:2"} << tcp + QStringList{"--unit-range", "1-5"} << 0
        << "^unit 3 \\(answers the test read with exception 2\\)\n$" << 5000;
    QTest::newRow("tcp, dead address") << QStringList{"--tcp", "0"} << QStringList{"--tcp", "127.0.0.1:1"} << 3
        << "^$" << 5000;
    QTest::newRow("bad range") << QStringList{"--tcp", "0"} << QStringList{"--tcp", "::1", "--unit-range", "9-8"}
        << 2 << "^$" << 5000;
}

// r7config --scan against the simulator: it finds the unit at the line settings the simulator was started with and
// nowhere else, an exception reply counts as a device, and a dead address or a silent line ends with none (exit 3).
void TestHeadless::scan()
{
    QFETCH(QStringList, simulator);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(int, boundMs);
    const QString link = m_dir.filePath(QStringLiteral("scan-tty"));
    simulator.replaceInStrings(QStringLiteral("LINK"), link);
    SimProcess sim(simulator);
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    arguments.replaceInStrings(QStringLiteral("LINK"), link);
    arguments.replaceInStrings(QStringLiteral("PORT"), QString::number(sim.tcpPort()));
    QElapsedTimer clock;
    clock.start();
    const Run run = r7(QStringList{"--scan"} + arguments);
    QVERIFY2(run.exitCode == exitCode && QRegularExpression(out).match(run.out).hasMatch(),
             qPrintable(QStringLiteral("exit %1: %2%3").arg(run.exitCode).arg(run.out, run.err)));
    QVERIFY2(clock.elapsed() < boundMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(exitCode == 2 || run.err.contains(exitCode == 0 ? QStringLiteral("found after") : QStringLiteral("none")));
}

void TestHeadless::scanOrder_data()
{
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<QString>("present"); // baud rate, parity code, unit tried first
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("first");   // the first five probes
    QTest::addColumn<int>("total");
    QTest::newRow("19200 even, unit 5") << false << "19200 2 5" << "1 247" << "19200E:5 19200E:1 19200E:247 4800N:1 4800N:247"
                                        << 18 * 247;
    QTest::newRow("range 10-12") << false << "9600 0 11" << "10 12" << "9600N:11 9600N:10 9600N:12 4800N:10 4800N:11"
                                 << 18 * 3;
    QTest::newRow("tcp, unit 9") << true << "0 0 9" << "1 247" << "9 1 247 2 3" << 248;
}

// The settings in use first, then units 1 and 247 at every line setting, then every unit at each; none twice.
void TestHeadless::scanOrder()
{
    QFETCH(bool, tcp);
    QFETCH(QString, present);
    QFETCH(QString, range);
    ScanTarget target;
    target.tcp = tcp;
    const QStringList p = present.split(' ');
    target.present = {p[0].toInt(), p[1].toInt()};
    target.presentUnit = p[2].toInt();
    target.firstUnit = range.section(' ', 0, 0).toInt();
    target.lastUnit = range.section(' ', 1, 1).toInt();
    const QVector<ScanLine> lines = DeviceScan::orderedLines(target);
    const QVector<ScanProbe> probes = DeviceScan::order(target);
    QStringList first;
    QSet<QString> seen;
    for (const ScanProbe &probe : probes) {
        const ScanLine line = lines.at(probe.line);
        const QString text = (tcp ? QString() : QStringLiteral("%1%2:").arg(line.baud).arg("N?EO"[line.parity]))
            + QString::number(probe.unit);
        seen.insert(text);
        if (first.size() < 5)
            first << text;
    }
    QTEST(first.join(' '), "first");
    QTEST(int(probes.size()), "total");
    QCOMPARE(seen.size(), probes.size());
}

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
