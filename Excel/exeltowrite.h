#ifndef EXELTOWRITE_H
#define EXELTOWRITE_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

class QModbusClient;
class XlsxWorkbook;
class WorkbookCollection;

// What a transfer did with the rows it was given, beyond its result code.
struct TransferReport
{
    int rows = 0;         // parameter rows walked (2 .. last row)
    int listed = 0;       // parameter rows of the sheet
    int transferred = 0;  // rows read from or written to the device
    int failed = 0;       // the device refused or did not answer
    int skipped = 0;      // left alone for safety (unreadable cells, value too wide, action register)
    QStringList problems; // the first few failed or skipped rows: "8010", or "row 12" without an address
    QVector<quint32> writtenRegisters; // every register an import wrote, in the order written

    static constexpr int ProblemsListed = 5;
    int problemCount() const { return failed + skipped; }
    void note(bool failure, const QString &where);
    // Empty when every row went through; otherwise a paragraph for the
    // final message: how many rows failed or were skipped, and where.
    QString summary() const;
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

    // True from the first row of a transfer to its end: the refresh cycle
    // starts no tick meanwhile.
    static bool isRunning();

    // Registers whose write is an action (zero capture, calibration points,
    // resets) rather than a stored value: never imported.
    static bool touchesActionRegister(quint32 address, int count);
    // Text that is an unsigned decimal integer of at most 32 bits.
    static bool parseUnsigned(const QString &text, quint32 *value);

signals:
    // The used range's row count, at the start of each transfer.
    void ShowMaxnRowssignal(int rows);
    // Progress of the import (ImportBar) or export (ExportBar) bar.
    void progressRange(int bar, int minimum, int maximum);
    void progressValue(int bar, int value);

private:
    enum Direction { Export, Import };
    int transfer(Direction direction, WorkbookCollection *books, const QString &path, QModbusClient *client);
    // false: the transfer was stopped and must end.
    bool beforeDeviceAccess();
    bool exportRow(XlsxWorkbook *book, int row, QModbusClient *client);
    bool importRow(XlsxWorkbook *book, int row, QModbusClient *client);

    TransferReport m_report;
    QElapsedTimer m_pace;   // since the first row of the running transfer
    qint64 m_accesses = 0;  // device accesses of the running transfer
    bool m_stopRequested = false;
};

#endif // EXELTOWRITE_H
