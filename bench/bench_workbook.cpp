// Full export, compare and import of the parameter template against the
// simulator: in milliseconds per row, and over RTU against the time the same
// requests take on the wire.
//
//   bench_workbook tcp [ROUNDS]
//   bench_workbook rtu [ROUNDS] [BAUD]   (8N1 through a socat pty pair, default
//                                         38400, the simulator pacing replies
//                                         like a real line)
//
// Exports run in blocks (as the program does by default) and row by row; both
// must give the same sheet. During the row loop a 1 ms timer measures how long
// the event loop went without a turn: what the window's responsiveness depends
// on.
#include "Excel/exeltowrite.h"
#include "Excel/parametertable.h"
#include "Excel/readplan.h"
#include "Excel/spreadsheet.h"
#include "Excel/xlsxworkbook.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "Modbus/parameterentry.h"
#include "Modbus/registeraccess.h"
#include "main/mainwindow.h"

#include "simprocess.h"
#include "windowparts.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

template<typename T> T *field(QWidget *page, const char *name)
{
    return page->findChild<T *>(QLatin1String(name));
}

// Line time of one exchange (request and reply bytes with their silences).
double exchangeMs(SimProcess &sim, int requestBytes, int replyBytes)
{
    sim.command(QStringLiteral("timing %1 %2").arg(requestBytes).arg(replyBytes));
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("exchange_us=(\\d+)")).match(sim.lastAnswer());
    return m.captured(1).toDouble() / 1000.0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    // Traces off: qDebug to a terminal would dominate the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("R7SIM"))
        qputenv("R7SIM", R7SIM_PATH);
    QTemporaryDir dir;
    qputenv("R7CONFIG_SETTINGS_DIR", dir.path().toLocal8Bit());

    const bool rtu = argc > 1 && QLatin1String(argv[1]) == QLatin1String("rtu");
    const int rounds = argc > 2 ? atoi(argv[2]) : 5;
    const QString baud = argc > 3 ? QString::fromLatin1(argv[3]) : QStringLiteral("38400");

    std::unique_ptr<SocatPair> pair;
    QStringList simArgs = {QStringLiteral("--tcp"), QStringLiteral("0")};
    if (rtu) {
        pair = std::make_unique<SocatPair>();
        if (!pair->start()) {
            std::fprintf(stderr, "socat: %s\n", qPrintable(pair->errorString()));
            return 1;
        }
        simArgs = QStringList{QStringLiteral("--rtu"), pair->second(), QStringLiteral("--baud"), baud,
                              QStringLiteral("--data-bits"), QStringLiteral("8"), QStringLiteral("--parity"),
                              QStringLiteral("none"), QStringLiteral("--line-timing")};
    }
    SimProcess sim(simArgs);
    if (!sim.start()) {
        std::fprintf(stderr, "r7sim: %s\n", qPrintable(sim.errorString()));
        return 1;
    }

    MainWindow window;
    ModbusSetting *page = connectionPageOf(&window);
    if (rtu) {
        field<QComboBox>(page, "connectType")->setCurrentIndex(0);
        field<QComboBox>(page, "serialnumcomboBox")->setEditText(pair->first());
        QComboBox *bauds = field<QComboBox>(page, "baudCombo");
        bauds->setCurrentIndex(bauds->findText(baud));
        field<QComboBox>(page, "dataBitsCombo")->setCurrentIndex(1);
        field<QComboBox>(page, "parityCombo")->setCurrentIndex(0);
    } else {
        field<QComboBox>(page, "connectType")->setCurrentIndex(1);
        field<QLineEdit>(page, "EditHostIP")->setText(QStringLiteral("127.0.0.1"));
        field<QLineEdit>(page, "EditPort")->setText(QString::number(sim.tcpPort()));
    }
    field<QPushButton>(page, "connectButton")->click();
    if (g_pageIndex != PageMainInterface) {
        std::fprintf(stderr, "no link to r7sim\n");
        return 1;
    }
    workerOf(&window)->stop();
    QTest::qWait(600);

    const QString templateFile = dir.filePath(QStringLiteral("template.xlsx"));
    const QString exportFile = dir.filePath(QStringLiteral("export.xlsx"));
    if (XlsxWorkbook::create(templateFile, ExelToWrite::SheetName, templateSheet(0)) != XlsxWorkbook::Ok)
        return 1;
    const int rows = templateRows().size();
    if (rtu) {
        // Back-to-back reads of one parameter, without the workbook around them.
        for (int count : {2, 1}) {
            std::vector<double> reads;
            for (int k = 0; k < 100; ++k) {
                QElapsedTimer t;
                t.start();
                ParameterEntry entry;
                entry.address = count == 2 ? 100 + 2 * (k % 10) : 8150 + k % 6;
                entry.count = quint16(count);
                ResultCode result = ResultOk;
                readEntry(entry, modbusClient(), &result);
                if (result != ResultOk)
                    return 1;
                reads.push_back(double(t.nsecsElapsed()) / 1e6);
            }
            std::printf("single reads of %d register(s): median %.2f ms, wire %.2f ms\n", count, median(reads),
                        exchangeMs(sim, 8, 5 + 2 * count));
        }
    }
    // The longest the event loop went without a turn, from a 1 ms timer.
    QElapsedTimer sinceTick;
    qint64 longestNs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestNs = std::max(longestNs, sinceTick.nsecsElapsed());
        sinceTick.start();
    });
    const auto watchLoop = [&] {
        longestNs = 0;
        sinceTick.start();
        ticker.start(1);
    };

    ExelToWrite transfer;
    // The row loop alone: from the progress range (set before the first row)
    // to the last row's progress.
    QElapsedTimer loopTimer;
    double loopMs = 0;
    qint64 loopLongestNs = 0;
    QObject::connect(&transfer, &ExelToWrite::progressRange, [&](int, int, int) {
        loopTimer.start();
        watchLoop();
    });
    QObject::connect(&transfer, &ExelToWrite::progressValue, [&](int, int value) {
        if (value != rows + 1)
            return;
        loopMs = double(loopTimer.nsecsElapsed()) / 1e6;
        loopLongestNs = std::max(longestNs, sinceTick.nsecsElapsed());
        ticker.stop();
    });
    // Over TCP also row by row with a 1 ms wait after every row, as the rows
    // were paced before, for the event loop's sake.
    bool paced = false;
    QObject::connect(&transfer, &ExelToWrite::progressValue, [&](int, int) {
        if (paced)
            delayMs(1);
    });
    const char *const modeNames[] = {"in blocks", "row by row", "row by row, 1 ms wait a row"};
    const std::vector<int> modes = rtu ? std::vector<int>{1, 0} : std::vector<int>{2, 1, 0};
    const QString rowsFile = dir.filePath(QStringLiteral("rows.xlsx"));
    const QString compareFile = dir.filePath(QStringLiteral("compare.xlsx"));
    std::vector<double> exportMs[3], loopsMs[3], compareMs, importMs, gapMs[3];
    bool same = true;
    for (int round = 0; round < rounds; ++round) {
        for (int mode : modes) {
            const QString target = mode ? rowsFile : exportFile;
            QFile::remove(target);
            QFile::copy(templateFile, target);
            transfer.setRowByRow(mode != 0);
            paced = mode == 2;
            QElapsedTimer t;
            t.start();
            const int e = transfer.exportWorkbook(workbookCollection(), target, modbusClient());
            paced = false;
            exportMs[mode].push_back(double(t.nsecsElapsed()) / 1e6);
            loopsMs[mode].push_back(loopMs);
            gapMs[mode].push_back(double(loopLongestNs) / 1e6);
            if (e != 1 || transfer.report().problemCount() != 0) {
                std::fprintf(stderr, "export failed: %d\n", e);
                return 1;
            }
        }
        XlsxWorkbook a, b;
        a.open(exportFile);
        b.open(rowsFile);
        a.selectSheet(ExelToWrite::SheetName);
        b.selectSheet(ExelToWrite::SheetName);
        same = same && a.rowCount() > 1 && a.rowCount() == b.rowCount() && a.columnCount() == b.columnCount();
        for (int r = 1; same && r <= a.rowCount(); ++r) {
            for (int c = 1; c <= a.columnCount(); ++c)
                same = same && a.cellText(r, c) == b.cellText(r, c);
        }

        // A compare: the export's reads into a copy of a filled workbook, then
        // the two value columns side by side.
        QFile::remove(compareFile);
        QFile::copy(exportFile, compareFile);
        transfer.setRowByRow(false);
        QElapsedTimer t;
        t.start();
        const int c = transfer.exportWorkbook(workbookCollection(), compareFile, modbusClient());
        XlsxWorkbook device;
        device.open(compareFile);
        device.selectSheet(ExelToWrite::SheetName);
        int differ = 0;
        for (int row = 2; row <= a.rowCount(); ++row)
            differ += a.cellText(row, ExelToWrite::ColValue) != device.cellText(row, ExelToWrite::ColValue);
        compareMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (c != 1 || differ != 0) {
            std::fprintf(stderr, "compare failed: %d, %d rows differ\n", c, differ);
            return 1;
        }

        t.start();
        const int i = transfer.importWorkbook(workbookCollection(), exportFile, modbusClient());
        importMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (i != 1 || transfer.report().problemCount() != 0) {
            std::fprintf(stderr, "import failed: %d\n", i);
            return 1;
        }
    }
    const int imported = transfer.report().transferred;

    QVector<ReadPlan::Span> spans;
    for (const TemplateRow &row : templateRows())
        spans.append({quint32(row.address), row.type == 1 ? 1 : 2});
    const QVector<ReadPlan::Read> reads = ReadPlan::plan(spans);

    std::printf("%s, %d template rows, median of %d rounds:\n",
                rtu ? qPrintable(QStringLiteral("RTU %1 8N1, line timing").arg(baud)) : "TCP loopback", rows, rounds);
    for (int mode = 0; mode < 3; ++mode) {
        if (exportMs[mode].empty())
            continue;
        const double e = median(exportMs[mode]);
        std::printf("  export %s: %.1f ms (%.3f ms per row; row loop %.1f ms, %.3f ms per row; %d reads;"
                    " event loop idle in the row loop at most %.2f ms)\n",
                    modeNames[mode], e, e / rows, median(loopsMs[mode]), median(loopsMs[mode]) / rows,
                    mode ? rows : int(reads.size()), *std::max_element(gapMs[mode].begin(), gapMs[mode].end()));
    }
    std::printf("  the two exports write the same sheet: %s\n", same ? "yes" : "NO");
    const double c = median(compareMs), i = median(importMs);
    std::printf("  compare %8.1f ms\n", c);
    std::printf("  import  %8.1f ms (%.2f ms per row, %d rows written)\n", i, i / rows, imported);
    if (rtu) {
        // Read: request 8 bytes, reply 5 + 2n. Write: request 9 + 2n, reply 8.
        double rowWire = 0, blockWire = 0, importWire = 0;
        for (const TemplateRow &row : templateRows()) {
            const int n = row.type == 1 ? 1 : 2;
            rowWire += exchangeMs(sim, 8, 5 + 2 * n);
            // The import leaves the settings of the serial link it runs over.
            if (!(row.address >= 8000 && row.address <= 8045))
                importWire += exchangeMs(sim, 9 + 2 * n, 8);
        }
        for (const ReadPlan::Read &read : reads)
            blockWire += exchangeMs(sim, 8, 5 + 2 * read.count);
        std::printf("  wire time: %d covering reads %.1f ms, %d row reads %.1f ms, import %.1f ms\n",
                    int(reads.size()), blockWire, rows, rowWire, importWire);
        std::printf("  ratios to the covering reads' wire time: export in blocks %.3f, compare %.3f, export row by"
                    " row %.3f;\n  row by row to its own wire time %.3f; import to its wire time %.3f\n",
                    median(exportMs[0]) / blockWire, c / blockWire, median(exportMs[1]) / blockWire,
                    median(exportMs[1]) / rowWire, i / importWire);
    }
    return same ? 0 : 1;
}
