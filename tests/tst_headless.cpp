// r7config without a window: --export, --import and --compare against the
// simulator over TCP and over a pty pair, argument errors, dead links, and a
// program installed with cmake --install.

#include "Excel/exeltowrite.h"
#include "Excel/parametertable.h"
#include "Excel/parametertransfer.h"
#include "Excel/spreadsheet.h"
#include "Excel/xlsxworkbook.h"
#include "Modbus/linkstate.h"
#include "main/apppaths.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QModbusTcpClient>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1; // -1: crashed or still running after the time allowed
    QString out;
    QString err;
};

Run runProgram(const QString &program, const QStringList &arguments, int timeoutMs = 60000,
               const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    TiedProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run run;
    if (!process.waitForStarted(10000))
        return run;
    if (!process.waitForFinished(timeoutMs))
        process.kill();
    process.waitForFinished(5000);
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    return run;
}

// Address (column 1) -> text of the column (the value) of every parameter row.
QMap<QString, QString> values(const QString &path, int column = ExelToWrite::ColValue)
{
    QMap<QString, QString> result;
    XlsxWorkbook book;
    if (book.open(path) != XlsxWorkbook::Ok || book.selectSheet(ExelToWrite::SheetName) != XlsxWorkbook::Ok)
        return result;
    for (int row = 2; row <= book.rowCount(); ++row)
        result.insert(book.cellText(row, ExelToWrite::ColAddress), book.cellText(row, column));
    return result;
}

bool setValue(const QString &path, int address, const QString &text)
{
    XlsxWorkbook book;
    if (book.open(path) != XlsxWorkbook::Ok || book.selectSheet(ExelToWrite::SheetName) != XlsxWorkbook::Ok)
        return false;
    for (int row = 2; row <= book.rowCount(); ++row) {
        if (book.cellText(row, ExelToWrite::ColAddress) == QString::number(address))
            return book.setCellText(row, ExelToWrite::ColValue, text) == XlsxWorkbook::Ok
                && book.save() == XlsxWorkbook::Ok;
    }
    return false;
}

} // namespace

class TestHeadless : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void exportEqualsPageExport_data();
    void exportEqualsPageExport();
    void importThenCompare_data();
    void importThenCompare();
    void refusedRows_data();
    void refusedRows();
    void badArguments_data();
    void badArguments();
    void deadLink_data();
    void deadLink();
    void installedTree();

private:
    QStringList link(const QString &transport) const;
    QString simRegister(int address);
    QString pageExport(int language = 0);

    SocatPair m_pair;
    std::unique_ptr<SimProcess> m_sim;
    QTemporaryDir m_dir;
    QString m_program = QStringLiteral(R7CONFIG);
};

void TestHeadless::initTestCase()
{
    TestSupport::installMessageCollector();
    QVERIFY(m_dir.isValid());
    if (!SocatPair::isAvailable())
        QSKIP("socat is not installed");
    QVERIFY2(m_pair.start(), qPrintable(m_pair.errorString()));
    m_sim.reset(new SimProcess({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--rtu"), m_pair.second()}));
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
    startSpreadsheet();
    // The page's template folder, for the page's own export.
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("app/template")));
    for (const char *name : {"KDT-R7_EN.xlsx", "KDT-R7_CN.xlsx"})
        QVERIFY(QFile::copy(QStringLiteral(R7_BUILD_DIR "/template/") + QLatin1String(name),
                            m_dir.filePath(QStringLiteral("app/template/")) + QLatin1String(name)));
}

void TestHeadless::cleanupTestCase()
{
    TestSupport::removeMessageCollector();
    stopSpreadsheet();
    if (m_sim)
        QVERIFY2(m_sim->stop(), qPrintable(m_sim->errorString()));
}

QStringList TestHeadless::link(const QString &transport) const
{
    if (transport == QLatin1String("tcp"))
        return {QStringLiteral("--tcp"), QStringLiteral("%1:%2").arg(m_sim->tcpHost()).arg(m_sim->tcpPort())};
    return {QStringLiteral("--rtu"), m_pair.first()};
}

QString TestHeadless::simRegister(int address)
{
    if (!m_sim->command(QStringLiteral("get %1").arg(address)))
        return QStringLiteral("error: ") + m_sim->lastAnswer();
    return m_sim->lastAnswer().section(QLatin1Char(' '), -1);
}

// What the Test Maintain page's Export button makes of the simulator.
QString TestHeadless::pageExport(int language)
{
    QModbusTcpClient client;
    client.setConnectionParameter(QModbusDevice::NetworkAddressParameter, m_sim->tcpHost());
    client.setConnectionParameter(QModbusDevice::NetworkPortParameter, m_sim->tcpPort());
    if (!client.connectDevice())
        return QString();
    if (!QTest::qWaitFor([&client] { return client.state() == QModbusDevice::ConnectedState; }, 5000))
        return QString();
    g_slaveId = 1;
    g_dwordFormat = 0;
    ExelToWrite transfer;
    QString file;
    const int result = ParameterTransfer::exportParameters(transfer, workbookCollection(), language,
                                                           m_dir.filePath(QStringLiteral("app")), &client, &file);
    return result == ExelToWrite::Finished ? file : QString();
}

void TestHeadless::exportEqualsPageExport_data()
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("tcp") << "tcp" << 0 << QStringList();
    QTest::newRow("rtu") << "rtu" << 0 << QStringList();
    QTest::newRow("tcp, Chinese") << "tcp" << 1 << QStringList{"--language", "zh"};
    QTest::newRow("rtu, template given") << "rtu" << 1
        << QStringList{"--template", m_dir.filePath(QStringLiteral("app/template/KDT-R7_CN.xlsx"))};
}

void TestHeadless::exportEqualsPageExport()
{
    QFETCH(QString, transport);
    QFETCH(int, language);
    QFETCH(QStringList, options);
    const QString page = pageExport(language);
    QVERIFY(!page.isEmpty());
    const QString file = m_dir.filePath(transport + QStringLiteral("-export.xlsx"));
    const Run run = runProgram(m_program, QStringList{QStringLiteral("--export"), file} + link(transport) + options);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QMap<QString, QString> expected = values(page);
    QVERIFY(expected.size() > 100);
    QCOMPARE(values(file), expected);
    // The names come from the template of the language.
    QCOMPARE(values(file, ExelToWrite::ColName), values(page, ExelToWrite::ColName));
    QVERIFY2(run.err.contains(QStringLiteral("read %1,").arg(expected.size())), qPrintable(run.err));
}

void TestHeadless::importThenCompare_data()
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<int>("linkAddress"); // a setting of the link in use, never imported over it
    QTest::newRow("tcp") << "tcp" << 8102;
    QTest::newRow("rtu") << "rtu" << 8005;
}

void TestHeadless::importThenCompare()
{
    QFETCH(QString, transport);
    QFETCH(int, linkAddress);
    const QString file = m_dir.filePath(transport + QStringLiteral("-import.xlsx"));
    Run run = runProgram(m_program, QStringList{QStringLiteral("--export"), file} + link(transport));
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));

    // 114-115 STAB Range (0..99), 206-207 Full Scale: 32-bit values.
    const QString stable = simRegister(115) == QLatin1String("7") ? QStringLiteral("8") : QStringLiteral("7");
    QVERIFY(setValue(file, 114, stable));
    QVERIFY(setValue(file, 206, QStringLiteral("123456")));
    const QString linkBefore = simRegister(linkAddress);
    QVERIFY(setValue(file, linkAddress, linkBefore == QLatin1String("1") ? QStringLiteral("2") : QStringLiteral("1")));

    run = runProgram(m_program, QStringList{QStringLiteral("--import"), file} + link(transport));
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(simRegister(114), QStringLiteral("0"));
    QCOMPARE(simRegister(115), stable);
    // 123456 = 0x0001 0xE240 (AB-CD)
    QCOMPARE(simRegister(206), QStringLiteral("1"));
    QCOMPARE(simRegister(207), QStringLiteral("57920"));
    QCOMPARE(simRegister(linkAddress), linkBefore);
    QVERIFY(setValue(file, linkAddress, linkBefore));

    // A compare reads and never writes.
    QVERIFY(m_sim->command(QStringLiteral("writes reset")));
    run = runProgram(m_program, QStringList{QStringLiteral("--compare"), file} + link(transport));
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(run.out, QString());

    const QString changed = stable == QLatin1String("7") ? QStringLiteral("9") : QStringLiteral("6");
    QVERIFY(m_sim->command(QStringLiteral("set 115 %1").arg(changed)));
    run = runProgram(m_program, QStringList{QStringLiteral("--compare"), file} + link(transport));
    QCOMPARE(run.exitCode, 1);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(QStringLiteral("114\t")), qPrintable(run.out));
    QVERIFY2(lines.first().endsWith(QStringLiteral("\tworkbook %1\tdevice %2").arg(stable, changed)), qPrintable(run.out));
    QVERIFY2(run.err.contains(QStringLiteral("differ: 114")), qPrintable(run.err));
    QVERIFY(m_sim->command(QStringLiteral("writes")));
    QVERIFY2(m_sim->lastAnswer().endsWith(QStringLiteral(" 0")), qPrintable(m_sim->lastAnswer()));
}

void TestHeadless::refusedRows_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("repair");
    QTest::addColumn<QString>("summary");
    QTest::newRow("export") << "--export" << "fail 8102" << "fail off" << "failed 1\n  failed or refused: 8102\n";
    QTest::newRow("compare") << "--compare" << "fail 8102" << "fail off"
                             << "failed 1, differ 0\n  failed or refused: 8102\n";
    // Every Data-Trans write refused: many rows one after the other, yet the
    // link is fine, so the import goes on to its end.
    QTest::newRow("import") << "--import" << "set 10207 0" << "set 10207 1"
                            << "failed (\\d+)\n  failed or refused: 8000, 8001, 8002, 8003, 8004, \\.\\.\\.\n";
}

// Rows the device refuses are counted and named, and end the run with 1.
void TestHeadless::refusedRows()
{
    QFETCH(QString, mode);
    QFETCH(QString, fault);
    QFETCH(QString, repair);
    QFETCH(QString, summary);
    const QString file = m_dir.filePath(QStringLiteral("refused.xlsx"));
    Run run = runProgram(m_program, QStringList{QStringLiteral("--export"), file} + link(QStringLiteral("tcp")));
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(m_sim->command(fault));
    run = runProgram(m_program, QStringList{mode, file} + link(QStringLiteral("tcp")));
    QVERIFY(m_sim->command(repair));
    QCOMPARE(run.exitCode, 1);
    const QRegularExpressionMatch match = QRegularExpression(summary + QLatin1Char('$')).match(run.err);
    QVERIFY2(match.hasMatch(), qPrintable(run.err));
    if (match.lastCapturedIndex() == 1) {
        // The Data-Trans rows, but for the settings of the TCP link.
        int dataTrans = 0;
        for (const TemplateRow &row : templateRows())
            dataTrans += row.address >= 8000 && !(row.address >= 8100 && row.address <= 8111);
        QCOMPARE(match.captured(1).toInt(), dataTrans);
    }
    if (mode == QLatin1String("--export"))
        QCOMPARE(values(file).value(QStringLiteral("8102")), QString());
}

void TestHeadless::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");
    const QString f = m_dir.filePath(QStringLiteral("never.xlsx"));
    const QStringList tcp{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1")};
    QTest::newRow("unknown option") << (QStringList{"--export", f, "--speed", "9"} + tcp) << "speed";
    QTest::newRow("no link") << QStringList{"--export", f} << "--tcp";
    QTest::newRow("two links") << (QStringList{"--export", f, "--rtu", "/dev/null"} + tcp) << "--rtu";
    QTest::newRow("two modes") << (QStringList{"--export", f, "--compare", f} + tcp) << "--compare";
    QTest::newRow("no mode") << tcp << "--export";
    QTest::newRow("bad port") << QStringList{"--import", f, "--tcp", "127.0.0.1:70000"} << "--tcp";
    QTest::newRow("unit 0") << (QStringList{"--export", f, "--unit", "0"} + tcp) << "--unit";
    QTest::newRow("unit 248") << (QStringList{"--export", f, "--unit", "248"} + tcp) << "--unit";
    QTest::newRow("word order") << (QStringList{"--export", f, "--word-order", "BADC"} + tcp) << "--word-order";
    QTest::newRow("baud") << QStringList{"--export", f, "--rtu", "/dev/null", "--baud", "96000"} << "--baud";
    QTest::newRow("parity") << QStringList{"--export", f, "--rtu", "/dev/null", "--parity", "mark"} << "--parity";
    QTest::newRow("data bits") << QStringList{"--export", f, "--rtu", "/dev/null", "--data-bits", "9"} << "--data-bits";
    QTest::newRow("stop bits") << QStringList{"--export", f, "--rtu", "/dev/null", "--stop-bits", "0"} << "--stop-bits";
    QTest::newRow("serial option on tcp") << (QStringList{"--export", f, "--baud", "9600"} + tcp) << "--baud";
    QTest::newRow("template on import") << (QStringList{"--import", f, "--template", f} + tcp) << "--template";
    QTest::newRow("stray argument") << (QStringList{"--export", f, "extra"} + tcp) << "extra";
}

void TestHeadless::badArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    QVERIFY(m_sim->command(QStringLiteral("writes reset")));
    const Run run = runProgram(m_program, arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(named), qPrintable(run.err));
    QCOMPARE(run.out, QString());
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("never.xlsx"))));
}

void TestHeadless::deadLink_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("tcp port closed") << "closed";
    QTest::newRow("no serial device") << "nodevice";
    QTest::newRow("rtu line silent") << "silent";
    QTest::newRow("tcp device stops answering") << "lost-tcp";
    QTest::newRow("rtu device stops answering") << "lost-rtu";
}

// Each ends with exit code 3 long before the guard below, and an earlier
// backup at the target survives.
void TestHeadless::deadLink()
{
    QFETCH(QString, kind);
    const QString file = m_dir.filePath(QStringLiteral("backup.xlsx"));
    QFile::remove(file);
    QFile previous(file);
    QVERIFY(previous.open(QIODevice::WriteOnly) && previous.write("earlier backup") > 0);
    previous.close();

    QStringList arguments{QStringLiteral("--export"), file, QStringLiteral("--timeout"), QStringLiteral("300")};
    SocatPair silentLine;
    if (kind == QLatin1String("closed")) {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const quint16 port = server.serverPort();
        server.close();
        arguments << QStringLiteral("--tcp") << QStringLiteral("127.0.0.1:%1").arg(port);
    } else if (kind == QLatin1String("nodevice")) {
        arguments << QStringLiteral("--rtu") << m_dir.filePath(QStringLiteral("no-such-tty"));
    } else if (kind == QLatin1String("silent")) {
        QVERIFY2(silentLine.start(), qPrintable(silentLine.errorString()));
        arguments << QStringLiteral("--rtu") << silentLine.first();
    } else {
        arguments << link(kind.endsWith(QLatin1String("tcp")) ? QStringLiteral("tcp") : QStringLiteral("rtu"));
    }

    Run run;
    if (kind.startsWith(QLatin1String("lost"))) {
        // The simulator falls silent once the export is under way.
        TiedProcess process;
        process.start(m_program, arguments);
        QVERIFY(process.waitForStarted(10000));
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += process.readAllStandardError()).contains("export: 10%"), 20000);
        QVERIFY(m_sim->command(QStringLiteral("noreply on")));
        const bool finished = process.waitForFinished(60000);
        QVERIFY(m_sim->command(QStringLiteral("noreply off")));
        QVERIFY(finished);
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.err = QString::fromLocal8Bit(err + process.readAllStandardError());
    } else {
        run = runProgram(m_program, arguments);
    }
    QVERIFY2(run.exitCode == 3, qPrintable(QStringLiteral("exit %1: %2").arg(run.exitCode).arg(run.err)));
    QVERIFY2(run.err.contains(QStringLiteral("r7config: ")), qPrintable(run.err));
    QVERIFY(previous.open(QIODevice::ReadOnly));
    QCOMPARE(previous.readAll(), QByteArray("earlier backup"));
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*.part-*")}, QDir::Files | QDir::Hidden), QStringList());
}

// cmake --install into a temporary prefix: the installed program finds its
// templates in share/r7config/template, and keeps its files in the user's
// folders rather than beside itself in bin/.
void TestHeadless::installedTree()
{
    const QString prefix = m_dir.filePath(QStringLiteral("prefix"));
    const Run install = runProgram(QStringLiteral(R7_CMAKE),
                                   {QStringLiteral("--install"), QStringLiteral(R7_BUILD_DIR),
                                    QStringLiteral("--prefix"), prefix}, 120000);
    QVERIFY2(install.exitCode == 0, qPrintable(install.err + install.out));
    const QString bin = prefix + QStringLiteral("/bin");
    QVERIFY(!QFileInfo::exists(bin + QStringLiteral("/template")));

    const QString file = m_dir.filePath(QStringLiteral("installed.xlsx"));
    const Run run = runProgram(bin + QStringLiteral("/r7config"),
                               QStringList{QStringLiteral("--export"), file} + link(QStringLiteral("tcp")));
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(values(file), values(pageExport()));

    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
    QCOMPARE(AppPaths::templateBase(bin), QDir::cleanPath(prefix + QStringLiteral("/share/r7config")));
    QCOMPARE(AppPaths::exportBase(bin), m_dir.filePath(QStringLiteral("data/r7config")));
    if (qEnvironmentVariableIsEmpty("R7CONFIG_SETTINGS_DIR"))
        QCOMPARE(AppPaths::settingsDirectory(bin), m_dir.filePath(QStringLiteral("config/r7config")));
    // A program run from its own folder keeps its files there.
    const QString app = m_dir.filePath(QStringLiteral("app"));
    QCOMPARE(AppPaths::templateBase(app), app);
    QCOMPARE(AppPaths::exportBase(app), app);
}

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
