#include "Excel/exeltowrite.h"

#include "Excel/readplan.h"
#include "Excel/spreadsheet.h"
#include "Excel/xlsxworkbook.h"
#include "Modbus/devicelink.h"
#include "Modbus/linkstate.h"
#include "Modbus/parameterentry.h"
#include "Modbus/registermap.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QModbusClient>
#include <QPointer>

#include <cstring>

namespace {

// A write to these starts something (zero capture, a calibration point at the
// present load, a reset) instead of storing a value.
struct RegisterRange
{
    quint32 first;
    quint32 last;
};
constexpr RegisterRange ActionRegisters[] = {{Reg::ZeroCapture, Reg::ZeroCapture + 1},
                                             {Reg::CalPoint1, Reg::calPoint(Reg::CalPoints) + 1},
                                             {Reg::ResetAll, Reg::ResetDataTrans}};

// Registers of the link in use: writing them could cut the link mid-import.
constexpr RegisterRange RtuLinkRegisters = {Reg::ComPorts, Reg::comPort(2, Reg::ComSendGap)};
constexpr RegisterRange TcpLinkRegisters = {Reg::NetProtocol, Reg::NetSocket};

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

void TransferReport::fail(const QString &where)
{
    ++failed;
    if (failedRows.size() < RowsListed)
        failedRows << where;
}

void TransferReport::refuse(const QString &where, const QString &why)
{
    ++refused;
    if (refusedRows.size() < RowsListed)
        refusedRows << QStringLiteral("%1 (%2)").arg(where, why);
}

QString TransferReport::summary(bool exporting) const
{
    QString text = QStringLiteral("\n\n")
        + (exporting ? QCoreApplication::translate("ExelToWrite", "%1 read, %2 failed, %3 refused, %4 kept.")
                     : QCoreApplication::translate("ExelToWrite", "%1 written, %2 failed, %3 refused, %4 kept."))
              .arg(transferred)
              .arg(failed)
              .arg(refused)
              .arg(kept);
    if (noValue > 0)
        text += QLatin1Char(' ') + QCoreApplication::translate("ExelToWrite", "%1 row(s) without a value.").arg(noValue);
    const auto listed = [](const QStringList &rows, int total) {
        return rows.join(QStringLiteral(", ")) + (total > rows.size() ? QStringLiteral(", ...") : QString());
    };
    if (failed > 0)
        text += QLatin1Char('\n') + QCoreApplication::translate("ExelToWrite", "Failed: %1").arg(listed(failedRows, failed));
    if (refused > 0)
        text += QLatin1Char('\n')
            + QCoreApplication::translate("ExelToWrite", "Refused: %1").arg(listed(refusedRows, refused));
    return text;
}

ExelToWrite::ExelToWrite(QObject *parent)
    : QObject(parent)
{
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
        m_report.fileProblem = path.isEmpty() ? QStringLiteral("no file chosen") : QStringLiteral("no such file");
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
        m_report.fileProblem = XlsxWorkbook::errorText(error);
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
        m_report.fileProblem = XlsxWorkbook::errorText(error);
        if (!book->errorDetail().isEmpty())
            m_report.fileProblem += QStringLiteral(": ") + book->errorDetail();
        book->close();
        return NoSheet;
    }
    qDebug() << (exporting ? "Sheet1查找结束" : "R7_PARAM子表查找结束");

    const int rows = book->rowCount();
    if (rows < 1) {
        qDebug() << "CExcelTool::loadExcel 无数据，跳过该文件";
        book->close();
        return NoRows;
    }
    qDebug() << QStringLiteral("文件数据列数为: %1").arg(book->columnCount());
    qDebug() << QStringLiteral("文件数据行数为: %1").arg(rows);

    qDebug() << "正在读取数据 包含的 ok 关键字";
    // Polling pauses for the whole row loop: the transfer holds the link,
    // which a tick under way when the transfer started sees at its end.
    DeviceLink &link = DeviceLink::instance();
    if (!link.take(LinkUser::Transfer)) {
        book->close();
        return Aborted;
    }
    g_tickPending = true;
    const Bar bar = exporting ? ExportBar : ImportBar;
    emit progressRange(bar, 1, rows);

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
    const auto endRowLoop = [&guardedClient, &closing, &link] {
        disconnect(closing);
        link.giveBack(LinkUser::Transfer);
        if (!g_linkClosing && guardedClient && guardedClient->state() == QModbusDevice::ConnectedState)
            g_tickPending = false;
    };
    bool goOn = true;
    if (exporting) {
        goOn = exportRows(book.get(), rows, guardedClient);
    } else {
        for (int row = 2; goOn && row <= rows; ++row) {
            emit progressValue(bar, row);
            ++m_report.rows;
            goOn = importRow(book.get(), row, guardedClient.data());
            if (!goOn)
                --m_report.rows; // stopped before the row's device access
        }
    }
    if (!goOn) {
        // Stopped: no save. An export counts the rows whose values came in.
        if (exporting)
            m_report.rows = m_filled;
        endRowLoop();
        book->close();
        return Aborted;
    }

    qDebug() << (exporting ? "导出完成" : "读取完成");
    endRowLoop();
    if (exporting) {
        error = book->save();
        if (error != XlsxWorkbook::Ok) {
            qDebug() << "保存失败" << path << XlsxWorkbook::errorText(error);
            m_report.fileProblem = XlsxWorkbook::errorText(error);
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
    // Every wait for the device runs the event loop; between two accesses the
    // user interface only gets what came in meanwhile. No wait is added: a
    // window stays as responsive without one (docs/benchmarks.md), and a run
    // without a window goes from row to row at once.
    QCoreApplication::processEvents();
    return !m_stopRequested;
}

// A parameter row of the export: its row, its type, and its address as the
// report names it.
struct ExelToWrite::ExportRow
{
    int row;
    quint32 type;
    QString where;
};

// Reads the registers of every parameter row into its value column: blocks of
// neighbouring rows with one request each (ReadPlan), or one row per request.
// A block the device refuses or leaves unanswered is read again row by row, so
// that a register it will not give costs only its own row.
bool ExelToWrite::exportRows(XlsxWorkbook *book, int rows, const QPointer<QModbusClient> &client)
{
    QVector<ExportRow> readRows;
    QVector<ReadPlan::Span> spans;
    for (int row = 2; row <= rows; ++row) {
        ++m_report.rows;
        bool addressReadable = true, typeReadable = true;
        const QString addressText = book->cellText(row, ColAddress, &addressReadable);
        const QString typeText = book->cellText(row, ColType, &typeReadable);
        if (addressText.isEmpty() && addressReadable)
            continue;
        const QString where = rowLabel(addressText, row);
        if (!addressReadable || !typeReadable) {
            m_report.refuse(where, QStringLiteral("unreadable cell %1%2").arg(addressReadable ? 'C' : 'A').arg(row));
            continue;
        }
        quint32 address = 0, type = 0;
        if (!parseUnsigned(addressText, &address) || address > 0xFFFF || !parseUnsigned(typeText, &type)
            || type < 1 || type > 3) {
            // Not a parameter row (a note, a second header): nothing to read.
            m_report.refuse(where, QStringLiteral("not a parameter row"));
            continue;
        }
        readRows.append({row, type, where});
        spans.append({address, registerCount(type)});
    }
    // Rows without a read are done at once; the others as their values come in.
    m_filled = rows - 1 - readRows.size();
    emit progressValue(ExportBar, 1 + m_filled);

    const QVector<ReadPlan::Read> reads = m_rowByRow ? ReadPlan::oneByOne(spans) : ReadPlan::plan(spans);
    quint16 words[ReadPlan::MaxRegisters] = {};
    for (const ReadPlan::Read &read : reads) {
        if (!beforeDeviceAccess())
            return false;
        Settings request;
        request.address = int(read.first);
        request.num = quint16(read.count);
        const ResultCode result = readRegisters(client.data(), request, words);
        if (result == ResultOk || read.spans.size() == 1) {
            for (int i : read.spans)
                fillRow(book, readRows[i], result, words + (spans[i].address - read.first));
            continue;
        }
        qDebug() << "块读取失败，逐行读取" << read.first << read.count;
        for (int i : read.spans) {
            if (!beforeDeviceAccess())
                return false;
            request.address = int(spans[i].address);
            request.num = quint16(spans[i].count);
            fillRow(book, readRows[i], readRegisters(client.data(), request, words), words);
        }
    }
    return true;
}

void ExelToWrite::fillRow(XlsxWorkbook *book, const ExportRow &row, ResultCode result, const quint16 *words)
{
    const quint32 value = result == ResultOk ? entryValue(quint16(row.type), words) : 0;
    QString text;
    if (result != ResultOk) {
        // An empty value cell makes a later import skip the row instead of
        // restoring a made-up value.
        m_report.fail(row.where);
    } else if (row.type == 3) {
        float f;
        static_assert(sizeof f == sizeof value, "IEEE-754 single expected");
        std::memcpy(&f, &value, sizeof f);
        text = QString::number(double(f), 'g', 6);
        ++m_report.transferred;
    } else {
        text = QString::number(value);
        ++m_report.transferred;
    }
    qDebug() << "导出" << row.where << text;
    setCellText(row.row, ColValue, text, book);
    emit progressValue(ExportBar, 1 + ++m_filled);
}

bool ExelToWrite::importRow(XlsxWorkbook *book, int row, QModbusClient *client)
{
    // Column letters by index for the messages.
    static const char ColumnLetters[] = " ABCDEFG";
    QString texts[ColValue + 1];
    int unreadable = 0;
    for (int column : {ColAddress, ColType, ColUpper, ColLower, ColValue}) {
        bool readable = true;
        texts[column] = book->cellText(row, column, &readable).trimmed();
        if (!readable && !unreadable)
            unreadable = column;
    }
    const QString &addressText = texts[ColAddress], &typeText = texts[ColType], &valueText = texts[ColValue];
    book->cellText(row, ColName); // free text, not used

    if (!unreadable && addressText.isEmpty() && typeText.isEmpty() && valueText.isEmpty())
        return true; // a blank row
    const QString where = rowLabel(addressText, row);
    if (unreadable) {
        // A formula without a stored result: its value is unknown here.
        m_report.refuse(where, QStringLiteral("unreadable cell %1%2").arg(QLatin1Char(ColumnLetters[unreadable])).arg(row));
        return true;
    }
    quint32 address = 0, type = 0;
    if (!parseUnsigned(addressText, &address) || address > 0xFFFF) {
        m_report.refuse(where, QStringLiteral("no register address"));
        return true;
    }
    if (!parseUnsigned(typeText, &type) || type < 1 || type > 3) {
        m_report.refuse(where, QStringLiteral("type not 1, 2 or 3"));
        return true;
    }
    const int count = registerCount(type);
    // Never rewrite the settings of the link the import runs over.
    if ((g_connType == 0 && overlaps(address, count, RtuLinkRegisters))
        || (g_connType == 1 && overlaps(address, count, TcpLinkRegisters))) {
        ++m_report.kept;
        return true;
    }
    if (type == 3) {
        m_report.refuse(where, QStringLiteral("type 3 is exported only"));
        return true;
    }
    if (valueText.isEmpty()) {
        ++m_report.noValue; // nothing to write (also a row whose export read failed)
        return true;
    }
    quint32 value = 0, upper = 0, lower = 0;
    if (!parseUnsigned(valueText, &value) || (type == 1 && value > 0xFFFF)) {
        m_report.refuse(where, type == 1 ? QStringLiteral("value not a whole number of 0..65535")
                                         : QStringLiteral("value not a whole number of 0..4294967295"));
        return true;
    }
    if (!parseUnsigned(texts[ColUpper], &upper) || !parseUnsigned(texts[ColLower], &lower)) {
        m_report.refuse(where, QStringLiteral("no limits"));
        return true;
    }
    if (touchesActionRegister(address, count)) {
        m_report.refuse(where, QStringLiteral("action register"));
        return true;
    }
    if (value < lower || value > upper) {
        m_report.refuse(where, value < lower ? QStringLiteral("below its minimum %1").arg(lower)
                                             : QStringLiteral("above its maximum %1").arg(upper));
        return true;
    }

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
        m_report.fail(where);
    }
    return true;
}
