// Full export and import of the parameter template against the simulator,
// in milliseconds per row, and over RTU against the time the same requests
// take on the wire.
//
//   bench_workbook tcp [ROUNDS]
//   bench_workbook rtu [ROUNDS]   (38400 8N1 through a socat pty pair, the
//                                  simulator pacing replies like a real line)
#include "Excel/exeltowrite.h"
#include "Excel/parametertable.h"
#include "Excel/spreadsheet.h"
#include "Excel/xlsxworkbook.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "Modbus/parameterentry.h"
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

    std::unique_ptr<SocatPair> pair;
    QStringList simArgs = {QStringLiteral("--tcp"), QStringLiteral("0")};
    if (rtu) {
        pair = std::make_unique<SocatPair>();
        if (!pair->start()) {
            std::fprintf(stderr, "socat: %s\n", qPrintable(pair->errorString()));
            return 1;
        }
        simArgs = QStringList{QStringLiteral("--rtu"), pair->second(), QStringLiteral("--baud"),
                              QStringLiteral("38400"), QStringLiteral("--data-bits"), QStringLiteral("8"),
                              QStringLiteral("--parity"), QStringLiteral("none"), QStringLiteral("--line-timing")};
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
        field<QComboBox>(page, "baudCombo")->setCurrentIndex(3);
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
    ExelToWrite transfer;
    std::vector<double> exportMs, importMs;
    for (int round = 0; round < rounds; ++round) {
        QFile::remove(exportFile);
        QFile::copy(templateFile, exportFile);
        QElapsedTimer t;
        t.start();
        const int e = transfer.exportWorkbook(workbookCollection(), exportFile, modbusClient());
        exportMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (e != 1 || transfer.report().problemCount() != 0) {
            std::fprintf(stderr, "export failed: %d\n", e);
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

    const double e = median(exportMs), i = median(importMs);
    std::printf("%s, %d template rows, median of %d rounds:\n", rtu ? "RTU 38400 8N1, line timing" : "TCP loopback",
                rows, rounds);
    std::printf("  export %.1f ms (%.2f ms per row)\n", e, e / rows);
    std::printf("  import %.1f ms (%.2f ms per row, %d rows written)\n", i, i / rows, imported);
    if (rtu) {
        // Read: request 8 bytes, reply 5 + 2n. Write: request 9 + 2n, reply 8.
        double exportWire = 0, importWire = 0;
        for (const TemplateRow &row : templateRows()) {
            const int n = row.type == 1 ? 1 : 2;
            exportWire += exchangeMs(sim, 8, 5 + 2 * n);
            // The import leaves the settings of the serial link it runs over.
            if (!(row.address >= 8000 && row.address <= 8045))
                importWire += exchangeMs(sim, 9 + 2 * n, 8);
        }
        std::printf("  wire time: export %.1f ms, import %.1f ms; ratio export %.3f, import %.3f\n", exportWire,
                    importWire, e / exportWire, i / importWire);
    }
    return 0;
}
