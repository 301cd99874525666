// r7config without a window against the simulator over TCP and a pty pair: --export, --import, --compare, refused
// rows, argument errors, dead links, and a program installed with cmake --install.

#include "Excel/exeltowrite.h"
#include "Excel/parametertable.h"
#include "Excel/xlsxworkbook.h"
#include "main/apppaths.h"
#include "simprocess.h"

#include <QtTest>

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
    void failedRuns_data();
    void failedRuns();
    void lateReplies_data();
    void lateReplies();
    void installedTree();

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
    run = r7(QStringList{"--import", file} + m_link[transport]);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(sim(114, 2) + ' ' + sim(206, 2), QStringLiteral("0 8 9 64497")); // 654321 = 9:64497
    QCOMPARE(sim(linkAddress.toInt()), linkBefore);

    // A compare reads and never writes; it names the rows that differ, here only 114.
    QVERIFY(!values(file, ExelToWrite::ColValue, {{linkAddress, linkBefore}}).isEmpty());
    QVERIFY(m_sim->command(QStringLiteral("writes reset")) && m_sim->command(QStringLiteral("set 115 9")));
    run = r7(QStringList{"--compare", file} + m_link[transport]);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^114\t[^\n]*\tworkbook 8\tdevice 9\n$")).match(run.out).hasMatch(),
             qPrintable(run.out));
    QVERIFY2(run.err.contains(QStringLiteral("differ: 114")), qPrintable(run.err));
    QVERIFY(m_sim->command(QStringLiteral("writes")) && m_sim->lastAnswer().endsWith(QStringLiteral(" 0")));
}

void TestHeadless::failedRuns_data()
{
    QTest::addColumn<QStringList>("arguments"); // after --export FILE unless they name a mode
    QTest::addColumn<QString>("fault");         // "noreply on" comes once the export is under way, others before
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");           // a pattern of stderr
    const QString f = m_dir.filePath(QStringLiteral("backup.xlsx"));
    const QString refused = m_dir.filePath(QStringLiteral("refused.xlsx"));
    QCOMPARE(r7(QStringList{"--export", refused} + m_link["tcp"]).exitCode, 0); // read by the refused rows below
    const QStringList tcp{"--tcp", "127.0.0.1"};
    const QStringList timeout{"--timeout", "300"};
    const auto row = [](const char *name, const QStringList &arguments, const char *fault, int exitCode,
                        const char *err) {
        QTest::newRow(name) << arguments << QString::fromLatin1(fault) << exitCode << QString::fromLatin1(err);
    };
    row("unknown option", QStringList{"--speed", "9"} + tcp, "", 2, "speed");
    row("no link", {}, "", 2, "--tcp");
    row("two modes", QStringList{"--export", f, "--compare", f} + tcp, "", 2, "--compare");
    row("bad port", {"--tcp", "127.0.0.1:70000"}, "", 2, "--tcp");
    row("unit 248", QStringList{"--unit", "248"} + tcp, "", 2, "--unit");
    row("serial option on tcp", QStringList{"--baud", "9600"} + tcp, "", 2, "--baud");
    row("template on import", QStringList{"--import", f, "--template", f} + tcp, "", 2, "--template");
    row("tcp port closed", timeout + QStringList{"--tcp", "127.0.0.1:1"}, "", 3, "r7config: ");
    row("no serial device", timeout + QStringList{"--rtu", m_dir.filePath("no-such-tty")}, "", 3, "r7config: ");
    row("device stops answering", timeout + m_link["tcp"], "noreply on", 3, "r7config: ");
    // Every Data-Trans write refused: many rows one after the other, yet the link is fine, so the import goes on.
    row("export, a row refused", m_link["tcp"], "fail 8102", 1, "failed 1\n  failed or refused: 8102\n$");
    row("compare, a row refused", QStringList{"--compare", refused} + m_link["tcp"], "fail 8102", 1,
        "failed 1, differ 0\n  failed or refused: 8102\n$");
    row("import, Data-Trans refused", QStringList{"--import", refused} + m_link["tcp"], "set 10207 0", 1,
        "failed \\d+\n  failed or refused: 8000, 8001, 8002, 8003, 8004, \\.\\.\\.\n$");
}

// Refused rows are counted and named and end the run with 1; a run that fails outright leaves an earlier backup at
// the target as it was. None leaves a part file.
void TestHeadless::failedRuns()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, fault);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    const QString file = m_dir.filePath(QStringLiteral("backup.xlsx"));
    QFile previous(file);
    QVERIFY(previous.open(QIODevice::WriteOnly | QIODevice::Truncate) && previous.write("earlier backup") > 0);
    previous.close();
    const bool later = fault == QLatin1String("noreply on");
    QVERIFY(later || fault.isEmpty() || m_sim->command(fault));
    const std::function<void()> fallSilent = [this] { m_sim->command(QStringLiteral("noreply on")); };
    const bool exporting = arguments.filter(QRegularExpression("^--(export|import|compare)$")).isEmpty();
    const Run run = runProgram(QStringLiteral(R7CONFIG),
                               (exporting ? QStringList{"--export", file} : QStringList()) + arguments,
                               later ? fallSilent : nullptr);
    QVERIFY(m_sim->command("noreply off") && m_sim->command("fail off") && m_sim->command("set 10207 1"));
    QVERIFY2(run.exitCode == exitCode && QRegularExpression(err).match(run.err).hasMatch() && run.out.isEmpty(),
             qPrintable(QStringLiteral("exit %1: %2").arg(run.exitCode).arg(run.err + run.out)));
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*.part-*")}, QDir::Files | QDir::Hidden), QStringList());
    if (exitCode == 1) {
        QVERIFY(!exporting || values(file, ExelToWrite::ColValue).value("8102", "unread").isEmpty());
        return;
    }
    QVERIFY(previous.open(QIODevice::ReadOnly));
    QCOMPARE(previous.readAll(), QByteArray("earlier backup"));
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
    const Run run = r7(QStringList{"--export", file, "--timeout", "1000"} + m_link[transport]);
    QVERIFY(m_sim->command(QStringLiteral("late off")));
    QVERIFY2(run.exitCode == 1 && run.err.contains(QStringLiteral("failed 3\n")), qPrintable(run.err));
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
    if (qEnvironmentVariableIsEmpty("R7CONFIG_SETTINGS_DIR"))
        QCOMPARE(AppPaths::settingsDirectory(bin), m_dir.filePath(QStringLiteral("config/r7config")));
    // A program run from its own folder keeps its files there.
    const QString app = m_dir.filePath(QStringLiteral("app"));
    QVERIFY(QDir().mkpath(app + QStringLiteral("/template")));
    QCOMPARE(AppPaths::templateBase(app) + AppPaths::exportBase(app), app + app);
}

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
