#include "Excel/exeltowrite.h"

#include "Excel/spreadsheet.h"
#include "Excel/xlsxworkbook.h"
#include "Modbus/linkstate.h"
#include "Modbus/parameterentry.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QFileInfo>
#include <QModbusClient>
#include <QPointer>
#include <QTimer>

#include <cstring>

namespace {

bool s_running = false;

// A write to these starts something (zero capture, a calibration point at the
// present load, a reset) instead of storing a value.
struct RegisterRange
{
    quint32 first;
    quint32 last;
};
constexpr RegisterRange ActionRegisters[] = {{210, 211}, {214, 223}, {8900, 8907}};

// Registers of the link in use: writing them could cut the link mid-import.
constexpr RegisterRange RtuLinkRegisters = {8000, 8045};
constexpr RegisterRange TcpLinkRegisters = {8100, 8111};

bool overlaps(quint32 address, int count, const RegisterRange &range)
{
    const quint64 last = quint64(address) + quint64(count > 0 ? count - 1 : 0);
    return address <= range.last && last >= range.first;
}

QString rowLabel(const QString &addressText, int row)
{
    const QString trimmed = addressText.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("row %1").arg(row) : trimmed.left(16);
}

// The register count of a value type: 1 one register, 2 and 3 two.
int registerCount(quint32 type)
{
    return type == 1 ? 1 : 2;
}

} // namespace

const QString ExelToWrite::SheetName = QStringLiteral("读写类");

void TransferReport::note(bool failure, const QString &where)
{
    if (failure)
        ++failed;
    else
        ++skipped;
    if (problems.size() < ProblemsListed)
        problems << where;
}

QString TransferReport::summary() const
{
    if (problemCount() == 0)
        return QString();
    QString text = QStringLiteral("\n\n");
    if (failed > 0)
        text += QCoreApplication::translate("ExelToWrite", "%1 row(s) failed.").arg(failed) + QLatin1Char(' ');
    if (skipped > 0)
        text += QCoreApplication::translate("ExelToWrite", "%1 row(s) skipped for safety.").arg(skipped)
            + QLatin1Char(' ');
    QStringList listed = problems;
    if (problemCount() > problems.size())
        listed << QStringLiteral("...");
    return text
        + QCoreApplication::translate("ExelToWrite", "Addresses: %1").arg(listed.join(QStringLiteral(", ")));
}

ExelToWrite::ExelToWrite(QObject *parent)
    : QObject(parent)
{
}

bool ExelToWrite::isRunning()
{
    return s_running;
}

bool ExelToWrite::touchesActionRegister(quint32 address, int count)
{
    for (const RegisterRange &range : ActionRegisters) {
        if (overlaps(address, count, range))
            return true;
    }
    return false;
}

bool ExelToWrite::parseUnsigned(const QString &text, quint32 *value)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 10)
        return false;
    quint64 v = 0;
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + quint64(c.unicode() - '0');
    }
    if (v > 0xFFFFFFFFull)
        return false;
    *value = quint32(v);
    return true;
}

int ExelToWrite::exportWorkbook(WorkbookCollection *books, const QString &path, QModbusClient *client)
{
    return transfer(Export, books, path, client);
}

int ExelToWrite::importWorkbook(WorkbookCollection *books, const QString &path, QModbusClient *client)
{
    return transfer(Import, books, path, client);
}

void ExelToWrite::setCellText(int row, int column, const QString &text, XlsxWorkbook *sheet)
{
    if (sheet)
        sheet->setCellText(row, column, text);
}

int ExelToWrite::transfer(Direction direction, WorkbookCollection *books, const QString &path,
                          QModbusClient *client)
{
    const bool exporting = direction == Export;
    m_report = TransferReport();
    if (!books) {
        qDebug() << "工作簿不存在。";
        return NotOpened;
    }
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        qDebug() << QStringLiteral("路径错误，或文件不存在,路径为 %1").arg(path);
        qDebug() << path;
        return NotOpened;
    }
    qDebug() << QStringLiteral("路径正确，路径为 %1").arg(path);

    qDebug() << "正在打开文件...";
    XlsxWorkbook::Error error = XlsxWorkbook::Ok;
    std::unique_ptr<XlsxWorkbook> book = books->open(path, &error);
    if (!book) {
        qDebug() << "office 查找文件不存在。路径：" << path << XlsxWorkbook::errorText(error);
        return NotOpened;
    }

    qDebug() << "正在查找所有sheet页";
    if (book->sheetNames().isEmpty()) {
        qDebug() << "没有sheet存在。";
        book->close();
        return NoSheets;
    }
    qDebug() << (exporting ? "正在查找Sheet1" : "正在查找R7_PARAM子表");
    error = book->selectSheet(SheetName);
    if (error != XlsxWorkbook::Ok) {
        qDebug() << (exporting ? "Sheet1不存在。" : "R7_PARAM子表不存在。") << XlsxWorkbook::errorText(error);
        book->close();
        return NoSheet;
    }
    qDebug() << (exporting ? "Sheet1查找结束" : "R7_PARAM子表查找结束");

    const int rows = book->rowCount();
    emit ShowMaxnRowssignal(rows);
    if (rows < 1) {
        qDebug() << "CExcelTool::loadExcel 无数据，跳过该文件";
        book->close();
        return NoRows;
    }
    qDebug() << QStringLiteral("文件数据列数为: %1").arg(book->columnCount());
    qDebug() << QStringLiteral("文件数据行数为: %1").arg(rows);

    qDebug() << "正在读取数据 包含的 ok 关键字";
    // Polling pauses for the whole row loop; the refresh cycle also checks
    // isRunning(), as a tick under way when the transfer started would lower
    // the flag again at its end.
    g_tickPending = true;
    s_running = true;
    const Bar bar = exporting ? ExportBar : ImportBar;
    emit progressRange(bar, 1, rows);

    m_pace.start();
    m_accesses = 0;
    m_report.listed = rows - 1;
    // The transfer's own flag: Disconnect lowers the link-closing flag again
    // when its grace period ends, and a transfer still in a row then must not
    // go on over the next link.
    m_stopRequested = g_linkClosing;
    const QMetaObject::Connection closing =
        connect(LinkNotifier::instance(), &LinkNotifier::linkClosingRaised, this, &ExelToWrite::stop);
    // The client may go away while events are handled between rows.
    const QPointer<QModbusClient> guardedClient(client);
    // Polling resumes only over a link that is still up; after Disconnect it
    // stays paused until the next link-up.
    const auto endRowLoop = [&guardedClient, &closing] {
        disconnect(closing);
        s_running = false;
        if (!g_linkClosing && guardedClient && guardedClient->state() == QModbusDevice::ConnectedState)
            g_tickPending = false;
    };
    for (int row = 2; row <= rows; ++row) {
        emit progressValue(bar, row);
        ++m_report.rows;
        const bool goOn = exporting ? exportRow(book.get(), row, guardedClient.data())
                                    : importRow(book.get(), row, guardedClient.data());
        if (!goOn) {
            --m_report.rows; // stopped before the row's device access
            endRowLoop();
            book->close();
            return Aborted;
        }
    }

    qDebug() << (exporting ? "导出完成" : "读取完成");
    endRowLoop();
    if (exporting) {
        error = book->save();
        if (error != XlsxWorkbook::Ok) {
            qDebug() << "保存失败" << path << XlsxWorkbook::errorText(error);
            book->close();
            return NotOpened;
        }
    }
    book->close();
    return Finished;
}

bool ExelToWrite::beforeDeviceAccess()
{
    if (m_stopRequested)
        return false;
    // The user interface gets its events before every device access, and the
    // rows are paced at one access per millisecond on average. A plain 1 ms
    // wait per row costs about 2 ms with the GLib event dispatcher (its
    // timers have whole-millisecond resolution), which doubled a transfer on
    // a fast link; a row that came late therefore only handles the pending
    // events, and the next rows catch up.
    ++m_accesses;
    const qint64 aheadMs = (m_accesses * 1000000 - m_pace.nsecsElapsed()) / 1000000;
    if (aheadMs >= 1) {
        QEventLoop loop;
        bool woken = false;
        QTimer::singleShot(int(aheadMs), Qt::PreciseTimer, &loop, [&loop, &woken] {
            woken = true;
            loop.quit();
        });
        loop.exec();
        // Not woken: the application is quitting; nested loops no longer wait.
        if (!woken)
            return false;
    } else {
        QCoreApplication::processEvents();
    }
    return !m_stopRequested;
}

bool ExelToWrite::exportRow(XlsxWorkbook *book, int row, QModbusClient *client)
{
    const QString addressText = book->cellText(row, ColAddress);
    const QString typeText = book->cellText(row, ColType);
    if (addressText.isEmpty())
        return true;
    quint32 address = 0, type = 0;
    if (!parseUnsigned(addressText, &address) || address > 0xFFFF || !parseUnsigned(typeText, &type)
        || type < 1 || type > 3) {
        // Not a parameter row (a note, a second header): nothing to read.
        m_report.note(false, rowLabel(addressText, row));
        return true;
    }
    if (!beforeDeviceAccess())
        return false;

    ParameterEntry entry;
    entry.address = qint32(address);
    entry.count = quint16(type);
    ResultCode result = ResultOk;
    const quint32 value = readEntry(entry, client, &result);
    QString text;
    if (result != ResultOk) {
        // An empty value cell makes a later import skip the row instead of
        // restoring a made-up value.
        m_report.note(true, addressText.trimmed());
    } else if (type == 3) {
        float f;
        static_assert(sizeof f == sizeof value, "IEEE-754 single expected");
        std::memcpy(&f, &value, sizeof f);
        text = QString::number(double(f), 'g', 6);
        ++m_report.transferred;
    } else {
        text = QString::number(value);
        ++m_report.transferred;
    }
    qDebug() << "导出" << address << text;
    setCellText(row, ColValue, text, book);
    return true;
}

bool ExelToWrite::importRow(XlsxWorkbook *book, int row, QModbusClient *client)
{
    const QString addressText = book->cellText(row, ColAddress);
    const QString typeText = book->cellText(row, ColType);
    const QString upperText = book->cellText(row, ColUpper);
    const QString lowerText = book->cellText(row, ColLower);
    const QString valueText = book->cellText(row, ColValue);
    book->cellText(row, ColName); // free text, not used

    if (addressText.trimmed().isEmpty() && typeText.trimmed().isEmpty() && valueText.trimmed().isEmpty())
        return true; // a blank row
    quint32 type = 0;
    const bool typeOk = parseUnsigned(typeText, &type);
    if (typeOk && type == 3)
        return true; // single-precision values are exported only
    if (valueText.trimmed().isEmpty())
        return true; // nothing to write (also a row whose export read failed)

    quint32 address = 0, value = 0, upper = 0, lower = 0;
    const QString where = rowLabel(addressText, row);
    if (!parseUnsigned(addressText, &address) || address > 0xFFFF || !typeOk || (type != 1 && type != 2)
        || !parseUnsigned(valueText, &value) || !parseUnsigned(upperText, &upper)
        || !parseUnsigned(lowerText, &lower) || (type == 1 && value > 0xFFFF)) {
        m_report.note(false, where);
        return true;
    }
    const int count = registerCount(type);
    if (touchesActionRegister(address, count)) {
        m_report.note(false, where);
        return true;
    }
    // Never rewrite the settings of the link the import runs over.
    if ((g_connType == 0 && overlaps(address, count, RtuLinkRegisters))
        || (g_connType == 1 && overlaps(address, count, TcpLinkRegisters)))
        return true;
    if (value < lower || value > upper)
        return true;

    if (!beforeDeviceAccess())
        return false;
    ParameterEntry entry;
    entry.address = qint32(address);
    entry.count = quint16(type);
    entry.value = value;
    if (writeEntry(entry, client) == ResultOk) {
        ++m_report.transferred;
        for (int i = 0; i < count; ++i)
            m_report.writtenRegisters << address + quint32(i);
    } else {
        m_report.note(true, where);
    }
    return true;
}
