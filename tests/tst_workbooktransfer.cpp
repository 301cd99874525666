// Export and import against the simulator: the transfer frame and its result
// codes, the row rules with their safety checks, a round trip between two
// devices of different word order, and the Test Maintain page's buttons.

#include "App/testmaintain.h"
#include "Excel/exeltowrite.h"
#include "Excel/parametertable.h"
#include "Excel/parametertransfer.h"
#include "Excel/spreadsheet.h"
#include "Excel/xlsxworkbook.h"
#include "Modbus/linkstate.h"
#include "Modbus/parameterentry.h"
#include "editordriver.h"
#include "main/mainwindow.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QModbusTcpClient>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

#include <cstring>

using EditorDriver::connectWindow;
using EditorDriver::simWrites;

namespace {

const QStringList Header = {QStringLiteral("Address"), QStringLiteral("Name"), QStringLiteral("Type"),
                            QStringLiteral("Max"), QStringLiteral("Min"), QStringLiteral("Page"),
                            QStringLiteral("Value")};

// Presses OK on every message box as it opens and keeps its text.
class BoxCloser : public QObject
{
public:
    BoxCloser()
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        m_poll.start(5);
    }
    QStringList texts;

private:
    QTimer m_poll;
};

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString cell(const QString &path, int row, int column)
{
    XlsxWorkbook book;
    if (book.open(path) != XlsxWorkbook::Ok || book.selectSheet(ExelToWrite::SheetName) != XlsxWorkbook::Ok)
        return QStringLiteral("<unreadable>");
    return book.cellText(row, column);
}

// One register of the simulator, or -1.
qint64 simRegister(SimProcess &sim, int address)
{
    if (!sim.command(QStringLiteral("get %1 1").arg(address)))
        return -1;
    return sim.lastAnswer().section(QLatin1Char(' '), 1, 1).toLongLong();
}

// A template row's value as the device holds it: one register, or two in the
// device's word order.
qint64 simValue(SimProcess &sim, int address, int type, bool highFirst)
{
    const qint64 first = simRegister(sim, address);
    if (type == 1 || first < 0)
        return first;
    const qint64 second = simRegister(sim, address + 1);
    return highFirst ? (first << 16) | second : (second << 16) | first;
}

bool setSimValue(SimProcess &sim, int address, int type, quint32 value)
{
    if (type == 1)
        return sim.command(QStringLiteral("set %1 %2").arg(address).arg(value));
    return sim.command(QStringLiteral("set %1 %2").arg(address).arg(value >> 16))
        && sim.command(QStringLiteral("set %1 %2").arg(address + 1).arg(value & 0xFFFF));
}

bool isTcpLinkRegister(int address)
{
    return address >= 8100 && address <= 8111;
}

} // namespace

class TestWorkbookTransfer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void frameResults_data();
    void frameResults();
    void exportRows();
    void importRows_data();
    void importRows();
    void roundTrip();

    void exportButton_data();
    void exportButton();
    void exportFolderFallback();
    void disconnectDuringExport();
    void importButton();

private:
    QString book(const QString &name, const QVector<QStringList> &rows);
    QPushButton *button(const QString &name) { return m_page->findChild<QPushButton *>(name); }

    QTemporaryDir m_dir;
    QString m_appDir;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
    TestMaintain *m_page = nullptr;
    ExelToWrite m_transfer;
};

void TestWorkbookTransfer::initTestCase()
{
    TestSupport::installMessageCollector(TestSupport::PassAllButDebugAndSizeHints);
    // The fallback export folder goes below ~/.qttest.
    QStandardPaths::setTestModeEnabled(true);
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));

    // The page looks for templates beside the executable.
    m_appDir = QCoreApplication::applicationDirPath();
    QVERIFY(QDir().mkpath(m_appDir + QStringLiteral("/template")));
    for (int language : {0, 1})
        QCOMPARE(XlsxWorkbook::create(ParameterTransfer::templatePath(language, m_appDir), ExelToWrite::SheetName,
                                      templateSheet(language)),
                 XlsxWorkbook::Ok);

    m_window = new MainWindow;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QVERIFY(EditorDriver::connectForManualTicks(m_window, m_sim));
    m_page = m_window->testMaintainPage();
    m_window->showPage(PageTestMaintain);
}

void TestWorkbookTransfer::cleanupTestCase()
{
    delete m_window;
    m_window = nullptr;
    QDir(m_appDir + QStringLiteral("/export")).removeRecursively();
}

void TestWorkbookTransfer::init()
{
    QVERIFY(modbusClient());
    g_connType = 1;
    g_dwordFormat = 0;
    g_language = 0;
    // Polling may run (the suite ticks by hand); a transfer that ends must
    // leave it so.
    g_tickPending = false;
    QVERIFY(m_sim.command(QStringLiteral("fail off")));
    QVERIFY(m_sim.command(QStringLiteral("delay 0")));
}

QString TestWorkbookTransfer::book(const QString &name, const QVector<QStringList> &rows)
{
    const QString path = m_dir.filePath(name);
    return XlsxWorkbook::create(path, ExelToWrite::SheetName, rows) == XlsxWorkbook::Ok ? path : QString();
}

void TestWorkbookTransfer::frameResults_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("exporting");
    QTest::addColumn<int>("result");
    const QVector<QStringList> oneRow = {Header, {"8102", "gap", "1", "1000", "0", "", "20"}};
    QTest::newRow("no file") << m_dir.filePath(QStringLiteral("absent.xlsx")) << false << -1;
    QTest::newRow("no file chosen") << QString() << false << -1;
    const QString xls = m_dir.filePath(QStringLiteral("old.xls"));
    QFile::copy(QStringLiteral(R7_CORPUS_DIR "/ole_header.xls"), xls);
    QTest::newRow("old binary .xls") << xls << false << -1;
    const QString other = m_dir.filePath(QStringLiteral("other-sheet.xlsx"));
    XlsxWorkbook::create(other, QStringLiteral("Sheet1"), oneRow);
    QTest::newRow("import, no sheet 读写类") << other << false << -4;
    QTest::newRow("export, no sheet 读写类") << other << true << -4;
    QTest::newRow("empty sheet") << book(QStringLiteral("empty.xlsx"), {}) << false << -5;
    QTest::newRow("header only, import") << book(QStringLiteral("header.xlsx"), {Header}) << false << 1;
    QTest::newRow("header only, export") << book(QStringLiteral("header.xlsx"), {Header}) << true << 1;
}

void TestWorkbookTransfer::frameResults()
{
    QFETCH(QString, file);
    QFETCH(bool, exporting);
    QFETCH(int, result);
    const int writes = simWrites(m_sim);
    const int r = exporting ? m_transfer.exportWorkbook(workbookCollection(), file, modbusClient())
                            : m_transfer.importWorkbook(workbookCollection(), file, modbusClient());
    QCOMPARE(r, result);
    QCOMPARE(simWrites(m_sim), writes);
    QVERIFY(!ExelToWrite::isRunning());
    QVERIFY(!g_tickPending);
    // Without the workbook engine nothing is opened at all.
    QCOMPARE(m_transfer.importWorkbook(nullptr, file, modbusClient()), -1);
}

void TestWorkbookTransfer::exportRows()
{
    float half = 1.5f, tiny = 0.000012f;
    quint32 halfBits, tinyBits;
    std::memcpy(&halfBits, &half, 4);
    std::memcpy(&tinyBits, &tiny, 4);
    QVERIFY(setSimValue(m_sim, 8102, 1, 33));
    QVERIFY(setSimValue(m_sim, 116, 2, 70000));
    QVERIFY(setSimValue(m_sim, 654, 2, halfBits));
    QVERIFY(setSimValue(m_sim, 656, 2, tinyBits));
    QVERIFY(m_sim.command(QStringLiteral("fail 8151")));
    const QString path = book(QStringLiteral("export.xlsx"),
                              {Header,
                               {"8102", "gap", "1"},
                               {"116", "stab time", "2"},
                               {"654", "float", "3"},
                               {"656", "small float", "3"},
                               {"", "no address", "1", "", "", "", "keep"},
                               {"8151", "refused", "1", "", "", "", "999"},
                               {"Address", "a second header", "Type"}});
    QVERIFY(!path.isEmpty());
    QSignalSpy rows(&m_transfer, &ExelToWrite::ShowMaxnRowssignal);
    QCOMPARE(m_transfer.exportWorkbook(workbookCollection(), path, modbusClient()), 1);
    QCOMPARE(rows.value(0).value(0).toInt(), 8);

    const QStringList expected = {"33", "70000", "1.5", "1.2e-05", "keep", "", ""};
    for (int row = 2; row <= 8; ++row)
        QCOMPARE(cell(path, row, ExelToWrite::ColValue), expected.at(row - 2));
    const TransferReport &report = m_transfer.report();
    // The row without an address was not read: four good reads, one refused.
    QCOMPARE(report.transferred, 4);
    QCOMPARE(report.failed, 1);
    QCOMPARE(report.skipped, 1);
    QCOMPARE(report.problems, QStringList({"8151", "Address"}));
    QVERIFY(report.summary().contains(QLatin1String("8151")));
}

void TestWorkbookTransfer::importRows_data()
{
    QTest::addColumn<QStringList>("cells"); // address, type, upper, lower, value
    QTest::addColumn<int>("connType");
    QTest::addColumn<QString>("fail");
    QTest::addColumn<int>("address");       // the register to look at
    QTest::addColumn<qint64>("value");      // what it holds afterwards; -1: unchanged
    QTest::addColumn<int>("skipped");
    QTest::addColumn<int>("failed");

    QTest::newRow("type 1") << QStringList{"8152", "1", "65535", "0", "20"} << 1 << "" << 8152 << 20LL << 0 << 0;
    QTest::newRow("type 2, high word first")
        << QStringList{"116", "2", "5000", "1", "1234"} << 1 << "" << 116 << 1234LL << 0 << 0;
    QTest::newRow("type 2, 32-bit value")
        << QStringList{"212", "2", "4294967295", "0", "4294967290"} << 1 << "" << 212 << 4294967290LL << 0 << 0;
    QTest::newRow("type 3 is never imported") << QStringList{"116", "3", "5000", "0", "2"} << 1 << "" << 116
                                              << -1LL << 0 << 0;
    QTest::newRow("empty value") << QStringList{"8152", "1", "65535", "0", ""} << 1 << "" << 8152 << -1LL << 0 << 0;
    QTest::newRow("above the largest") << QStringList{"116", "2", "5000", "1", "5001"} << 1 << "" << 116 << -1LL
                                       << 0 << 0;
    QTest::newRow("below the smallest") << QStringList{"116", "2", "5000", "1", "0"} << 1 << "" << 116 << -1LL << 0
                                        << 0;
    // A reading as 0 would write register 0 (the live weight) or write 0.
    QTest::newRow("empty address") << QStringList{"", "1", "1000", "0", "5"} << 1 << "" << 8102 << -1LL << 1 << 0;
    QTest::newRow("text address") << QStringList{"gap", "1", "1000", "0", "5"} << 1 << "" << 8102 << -1LL << 1 << 0;
    QTest::newRow("value 1.5") << QStringList{"116", "2", "5000", "0", "1.5"} << 1 << "" << 116 << -1LL << 1 << 0;
    QTest::newRow("negative value") << QStringList{"116", "2", "5000", "0", "-1"} << 1 << "" << 116 << -1LL << 1
                                    << 0;
    QTest::newRow("limit not a number") << QStringList{"8102", "1", "max", "0", "5"} << 1 << "" << 8102 << -1LL
                                        << 1 << 0;
    QTest::newRow("type 12") << QStringList{"8102", "12", "1000", "0", "5"} << 1 << "" << 8102 << -1LL << 1 << 0;
    // Its low 16 bits (20) would pass for a valid send gap.
    QTest::newRow("type 1 above 65535")
        << QStringList{"8152", "1", "4294967295", "0", "65556"} << 1 << "" << 8152 << -1LL << 1 << 0;
    QTest::newRow("zero capture") << QStringList{"210", "2", "1", "0", "1"} << 1 << "" << 211 << -1LL << 1 << 0;
    QTest::newRow("calibration point") << QStringList{"216", "2", "999999", "0", "100"} << 1 << "" << 217 << -1LL
                                       << 1 << 0;
    QTest::newRow("pair reaching a calibration point")
        << QStringList{"213", "2", "999999", "0", "100"} << 1 << "" << 213 << -1LL << 1 << 0;
    QTest::newRow("reset") << QStringList{"8903", "1", "1", "0", "1"} << 1 << "" << 8903 << -1LL << 1 << 0;
    QTest::newRow("RTU: serial port settings kept") << QStringList{"8002", "1", "7", "0", "2"} << 0 << "" << 8002
                                                    << -1LL << 0 << 0;
    QTest::newRow("TCP: serial port settings written") << QStringList{"8002", "1", "7", "0", "2"} << 1 << ""
                                                       << 8002 << 2LL << 0 << 0;
    QTest::newRow("TCP: own link's send gap kept") << QStringList{"8102", "1", "1000", "0", "20"} << 1 << ""
                                                   << 8102 << -1LL << 0 << 0;
    QTest::newRow("TCP: network settings kept") << QStringList{"8105", "1", "255", "0", "7"} << 1 << "" << 8105
                                                << -1LL << 0 << 0;
    QTest::newRow("RTU: network settings written") << QStringList{"8105", "1", "255", "0", "7"} << 0 << "" << 8105
                                                   << 7LL << 0 << 0;
    QTest::newRow("device refuses") << QStringList{"8152", "1", "65535", "0", "20"} << 1 << "8152" << 8152 << -1LL
                                    << 0 << 1;
}

void TestWorkbookTransfer::importRows()
{
    QFETCH(QStringList, cells);
    QFETCH(int, connType);
    QFETCH(QString, fail);
    QFETCH(int, address);
    QFETCH(qint64, value);
    QFETCH(int, skipped);
    QFETCH(int, failed);

    // Known contents first, so that any write shows.
    const quint32 marker = 0x1111;
    for (int a : {address, address + 1})
        QVERIFY(m_sim.command(QStringLiteral("set %1 %2").arg(a).arg(marker)));
    if (!fail.isEmpty())
        QVERIFY(m_sim.command(QStringLiteral("fail ") + fail));
    const QString path = book(QStringLiteral("import.xlsx"), {Header,
                                                              {cells.at(0), "name", cells.at(1), cells.at(2),
                                                               cells.at(3), "page", cells.at(4)}});
    const int writes = simWrites(m_sim);
    g_connType = connType;
    QCOMPARE(m_transfer.importWorkbook(workbookCollection(), path, modbusClient()), 1);
    g_connType = 1;

    const bool written = value >= 0;
    QCOMPARE(simWrites(m_sim) - writes, written || failed ? 1 : 0);
    if (written)
        QCOMPARE(simValue(m_sim, address, cells.at(1) == QLatin1String("2") ? 2 : 1, true), value);
    else
        QCOMPARE(simRegister(m_sim, address), qint64(marker));
    QCOMPARE(m_transfer.report().skipped, skipped);
    QCOMPARE(m_transfer.report().failed, failed);
    QCOMPARE(m_transfer.report().transferred, written ? 1 : 0);
}

void TestWorkbookTransfer::roundTrip()
{
    // Changed values on this simulator (high word first) go through an export
    // into a factory-fresh one with the other word order.
    SimProcess fresh({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--dword"),
                      QStringLiteral("CD-AB")});
    QVERIFY2(fresh.start(), qPrintable(fresh.errorString()));
    QMap<int, qint64> freshBefore;
    QMap<int, quint32> values;
    for (const TemplateRow &row : templateRows()) {
        freshBefore[row.address] = simValue(fresh, row.address, row.type, false);
        if (isTcpLinkRegister(row.address))
            continue;
        const quint64 span = quint64(row.upper) - row.lower + 1;
        values[row.address] = quint32(row.lower + (quint64(row.address) * 7 + 3) % span);
        QVERIFY(setSimValue(m_sim, row.address, row.type, values[row.address]));
    }

    const QString exported = m_dir.filePath(QStringLiteral("roundtrip.xlsx"));
    QFile::remove(exported);
    QVERIFY(QFile::copy(ParameterTransfer::templatePath(0, m_appDir), exported));
    QCOMPARE(m_transfer.exportWorkbook(workbookCollection(), exported, modbusClient()), 1);
    QCOMPARE(m_transfer.report().problemCount(), 0);

    // What an independent reader finds in the export.
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import openpyxl,sys\n"
                                 "ws = openpyxl.load_workbook(sys.argv[1])['读写类']\n"
                                 "for r in ws.iter_rows(min_row=2, values_only=True): print(r[0], r[6])\n"),
                  exported});
    QVERIFY(reader.waitForFinished(30000));
    QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
    const QStringList lines = QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'),
                                                                                      Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), templateRows().size());
    for (int i = 0; i < lines.size(); ++i) {
        const TemplateRow &row = templateRows().at(i);
        const qint64 expected = isTcpLinkRegister(row.address) ? simValue(m_sim, row.address, row.type, true)
                                                               : qint64(values[row.address]);
        QCOMPARE(lines.at(i), QStringLiteral("%1 %2").arg(row.address).arg(expected));
    }

    QModbusTcpClient client;
    client.setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
    client.setConnectionParameter(QModbusDevice::NetworkPortParameter, fresh.tcpPort());
    QVERIFY(client.connectDevice());
    QTRY_COMPARE(client.state(), QModbusDevice::ConnectedState);
    g_dwordFormat = 1;
    const int result = m_transfer.importWorkbook(workbookCollection(), exported, &client);
    g_dwordFormat = 0;
    client.disconnectDevice();
    QCOMPARE(result, 1);
    QCOMPARE(m_transfer.report().problemCount(), 0);

    // Every register of the template now holds the exported value, except
    // the settings of the link the import ran over.
    for (const TemplateRow &row : templateRows()) {
        const qint64 now = simValue(fresh, row.address, row.type, false);
        QCOMPARE(now, isTcpLinkRegister(row.address) ? freshBefore[row.address] : qint64(values[row.address]));
    }
}

void TestWorkbookTransfer::exportButton_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("English") << 0 << "KDT-R7_ExportFile.xlsx";
    QTest::newRow("Chinese") << 1 << "KDT-R7_导出文件.xlsx";
}

void TestWorkbookTransfer::exportButton()
{
    QFETCH(int, language);
    QFETCH(QString, fileName);
    g_language = language;
    const QString folder = m_appDir + QStringLiteral("/export");
    const QString file = folder + QLatin1Char('/') + fileName;
    // English: the folder does not exist yet. Chinese: an old export is there.
    if (language == 0) {
        QDir(folder).removeRecursively();
    } else {
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an old export");
    }
    QVERIFY(setSimValue(m_sim, 8102, 1, 42));

    BoxCloser boxes;
    QTest::mouseClick(button(QStringLiteral("Btu_Export")), Qt::LeftButton);
    QCOMPARE(boxes.texts, QStringList(QStringLiteral("Export Finish!")));
    const int row = 2 + int(std::find_if(templateRows().begin(), templateRows().end(),
                                         [](const TemplateRow &r) { return r.address == 8102; })
                            - templateRows().begin());
    QCOMPARE(cell(file, row, ExelToWrite::ColValue), QStringLiteral("42"));
    QCOMPARE(cell(file, row, ExelToWrite::ColName), templateSheet(language).at(row - 1).at(1));
    const QString link = m_page->findChild<QLabel *>(QStringLiteral("label_exportPath"))->text();
    QVERIFY2(link.contains(QStringLiteral("href=\"%1\"").arg(folder)) && link.contains(file), qPrintable(link));
    QVERIFY(m_page->findChild<QProgressBar *>(QStringLiteral("progressBar_Export"))->isHidden());
}

void TestWorkbookTransfer::exportFolderFallback()
{
    // An installed program's folder takes no export: the export goes to the
    // user's application data and the link says so.
    const QString folder = m_appDir + QStringLiteral("/export");
    QDir(folder).removeRecursively();
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    BoxCloser boxes;
    QTest::mouseClick(button(QStringLiteral("Btu_Export")), Qt::LeftButton);
    QFile::remove(folder);
    QCOMPARE(boxes.texts, QStringList(QStringLiteral("Export Finish!")));
    const QString link = m_page->findChild<QLabel *>(QStringLiteral("label_exportPath"))->text();
    const QString file = link.section(QLatin1String("&gt;&gt;&gt;"), 1).section(QLatin1Char('<'), 0, 0);
    QVERIFY2(file.startsWith(QDir::homePath()) && file.endsWith(QLatin1String("/export/KDT-R7_ExportFile.xlsx")),
             qPrintable(link));
    QCOMPARE(cell(file, 1, ExelToWrite::ColValue), QStringLiteral("Value"));
    QFile::remove(file);
}

void TestWorkbookTransfer::disconnectDuringExport()
{
    // Slow replies keep the export busy long enough to press buttons.
    QVERIFY(m_sim.command(QStringLiteral("delay 15")));
    const QString file = ParameterTransfer::exportPath(0, m_appDir);
    const auto exportsStarted = [] {
        return std::count_if(g_traces.begin(), g_traces.end(),
                             [](const QString &t) { return t.startsWith(QLatin1String("PATH")); });
    };
    const auto tracesBefore = exportsStarted();
    bool pausedDuring = false;
    QTimer::singleShot(300, this, [&] {
        // A tick now polls nothing (a header poll would fail and count) and
        // leaves the pause in place.
        m_sim.command(QStringLiteral("fail 0"));
        const int failures = m_window->failureCount();
        m_window->onTick();
        pausedDuring = ExelToWrite::isRunning() && g_tickPending && m_window->failureCount() == failures;
        m_sim.command(QStringLiteral("fail off"));
        QTest::mouseClick(button(QStringLiteral("Btu_Export")), Qt::LeftButton);
        QTest::mouseClick(button(QStringLiteral("But_Import")), Qt::LeftButton);
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("ButtonDisconnect")), Qt::LeftButton);
    });
    QSignalSpy down(m_window, &MainWindow::linkDown);
    ParameterTransfer::setImportFileChooser([] { return QString(); });
    BoxCloser boxes;
    QTest::mouseClick(button(QStringLiteral("Btu_Export")), Qt::LeftButton);

    ParameterTransfer::setImportFileChooser({});
    QVERIFY(pausedDuring);
    QVERIFY(boxes.texts.isEmpty());
    QCOMPARE(exportsStarted() - tracesBefore, 1);
    QVERIFY(m_page->findChild<QProgressBar *>(QStringLiteral("progressBar_Export"))->isHidden());
    // Not saved: still the bare template.
    QCOMPARE(fileBytes(file), fileBytes(ParameterTransfer::templatePath(0, m_appDir)));
    QVERIFY(g_tickPending);
    QVERIFY(down.wait(5000));
    QVERIFY(g_tickPending);

    QVERIFY(m_sim.command(QStringLiteral("delay 0")));
    QVERIFY(connectWindow(m_window, m_sim));
    m_window->worker()->stop();
    QVERIFY(!g_tickPending);
    m_window->showPage(PageTestMaintain);
}

void TestWorkbookTransfer::importButton()
{
    const QString good = book(QStringLiteral("page-import.xlsx"),
                              {Header,
                               {"8152", "zero out", "1", "65535", "0", "", "25"},
                               {"210", "zero", "2", "1", "0", "", "1"},
                               {"116", "stab", "2", "5000", "0", "", "1.5"}});
    QString chosen = good;
    ParameterTransfer::setImportFileChooser([&chosen] { return chosen; });
    BoxCloser boxes;
    QTest::mouseClick(button(QStringLiteral("But_Import")), Qt::LeftButton);
    QCOMPARE(simRegister(m_sim, 8152), 25LL);
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.texts.at(0).startsWith(QLatin1String("Import Finish!"))
                 && boxes.texts.at(0).contains(QLatin1String("2 row(s) skipped for safety"))
                 && boxes.texts.at(0).contains(QLatin1String("210, 116")),
             qPrintable(boxes.texts.at(0)));
    QVERIFY(m_page->findChild<QLabel *>(QStringLiteral("label_importPath"))->text().contains(good));

    chosen = QStringLiteral(R7_CORPUS_DIR "/ole_header.xls");
    QTest::mouseClick(button(QStringLiteral("But_Import")), Qt::LeftButton);
    chosen.clear();
    QTest::mouseClick(button(QStringLiteral("But_Import")), Qt::LeftButton);
    ParameterTransfer::setImportFileChooser({});
    QCOMPARE(boxes.texts.mid(1), QStringList({QStringLiteral("Import Failed!"), QStringLiteral("Import Failed!")}));
}

QTEST_MAIN(TestWorkbookTransfer)
#include "tst_workbooktransfer.moc"
