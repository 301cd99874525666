#ifndef EXELTOWRITE_H
#define EXELTOWRITE_H

#include "Modbus/registeraccess.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>

class QModbusClient;
class XlsxWorkbook;
class WorkbookCollection;

// What a transfer did with the rows it was given, beyond its result code.
// Every row that names a register ends in exactly one outcome.
struct TransferReport
{
    int rows = 0;         // parameter rows walked (2 .. last row)
    int listed = 0;       // parameter rows of the sheet
    int transferred = 0;  // rows read from the device (export) or written into it (import)
    int failed = 0;       // the device refused or did not answer
    int refused = 0;      // the program's own rules: limits, type, action register, unreadable cell
    int kept = 0;         // import: settings of the link in use, left alone on purpose
    int noValue = 0;      // import: rows whose value cell is empty
    QStringList failedRows;  // the first few of each: "8010", or "row 12" without an address
    QStringList refusedRows; // with the rule: "104 (above its maximum)"
    QString fileProblem;     // why the workbook or its sheet could not be read
    QVector<quint32> writtenRegisters; // every register an import wrote, in the order written

    static constexpr int RowsListed = 5;
    void fail(const QString &where);
    void refuse(const QString &where, const QString &why);
    int problemCount() const { return failed + refused; }
    // For the final message: the four counts (the first is "read" for an
    // export, "written" for an import), then the rows that failed or were refused.
    QString summary(bool exporting) const;
};

// One workbook transfer between the device and the parameter sheet "读写类":
// the export reads every listed register into the value column, the import
// writes the listed values that pass their checks. No widgets: progress goes
// out through signals, so the same code runs behind the Test Maintain page and
// without a window.
class ExelToWrite : public QObject
{
    Q_OBJECT

public:
    enum Result {
        Finished = 1,
        Aborted = 100,    // stopped (stop(), Disconnect); the workbook was closed without saving
        NotOpened = -1,   // no workbook engine, no file, or not an .xlsx workbook
        NoSheets = -3,
        NoSheet = -4,     // no sheet "读写类" (or it cannot be read)
        NoRows = -5
    };
    enum Bar { ImportBar = 0, ExportBar = 1 };

    // Workbook columns (1-based).
    enum Column { ColAddress = 1, ColName = 2, ColType = 3, ColUpper = 4, ColLower = 5, ColPage = 6, ColValue = 7 };

    static const QString SheetName;

    explicit ExelToWrite(QObject *parent = nullptr);

    int exportWorkbook(WorkbookCollection *books, const QString &path, QModbusClient *client);
    int importWorkbook(WorkbookCollection *books, const QString &path, QModbusClient *client);

    // Writes the text into the cell when there is a sheet; nothing otherwise.
    void setCellText(int row, int column, const QString &text, XlsxWorkbook *sheet);

    // Ends the running transfer before its next device access. Raising the
    // link-closing flag (Disconnect, an interrupted command line) stops it
    // too, and lowering that flag again does not let it go on.
    void stop() { m_stopRequested = true; }

    // The rows of the last transfer.
    const TransferReport &report() const { return m_report; }

    // Export (and so compare) reads one row per request instead of blocks of
    // neighbouring rows, for devices that refuse reads over registers they do
    // not use. The import always writes one row per request.
    void setRowByRow(bool rowByRow) { m_rowByRow = rowByRow; }
    bool rowByRow() const { return m_rowByRow; }

    // Registers whose write is an action (zero capture, calibration points,
    // resets) rather than a stored value: never imported.
    static bool touchesActionRegister(quint32 address, int count);
    // Text that is an unsigned decimal integer of at most 32 bits.
    static bool parseUnsigned(const QString &text, quint32 *value);

signals:
    // Progress of the import (ImportBar) or export (ExportBar) bar.
    void progressRange(int bar, int minimum, int maximum);
    void progressValue(int bar, int value);

private:
    enum Direction { Export, Import };
    int transfer(Direction direction, WorkbookCollection *books, const QString &path, QModbusClient *client);
    // false: the transfer was stopped and must end.
    bool beforeDeviceAccess();
    struct ExportRow;
    bool exportRows(XlsxWorkbook *book, int rows, const QPointer<QModbusClient> &client);
    void fillRow(XlsxWorkbook *book, const ExportRow &row, ResultCode result, const quint16 *words);
    bool importRow(XlsxWorkbook *book, int row, QModbusClient *client);

    TransferReport m_report;
    bool m_rowByRow = false;
    int m_filled = 0; // progress of the export: rows done
    bool m_stopRequested = false;
};

#endif // EXELTOWRITE_H
