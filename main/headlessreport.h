#ifndef HEADLESSREPORT_H
#define HEADLESSREPORT_H

#include "main/headless.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

struct TransferReport;

namespace Headless {

struct Outcome
{
    int code = ExitDone;
    QString message; // why the run did not end with 0, when the summary does not say it
};

// Counts of the rows that name a register, one outcome each: export read,
// import written, then failed, refused, kept; an import also counts the rows
// without a value, a compare those it compared and those that differ.
enum class Kind { Export, Import, Compare };

void printSummary(Kind kind, const QString &what, const TransferReport &report, int compared, int differ,
                  const QStringList &differing);
// ExitRowsFailed when some row failed or was refused, else ExitDone.
int rowsExitCode(const TransferReport &report);
// Why a transfer ended without going through its rows.
QString transferFailure(int result, const TransferReport &report);

// Text from a workbook as one line of output: a name or value holding a line
// break or a tab would otherwise forge lines or columns. C-style escapes;
// the backslash itself is doubled.
QString escaped(const QString &text);
// A workbook value as the export would write it, for comparing.
QString normalised(const QString &text, quint32 type, bool *ok);

// Standard error and standard output, flushed at once.
void printErr(const QString &text);
void printOut(const QString &text);

// Lets debug and info messages (the program's and Qt's traces) through only
// when verbose, warnings always. Returns the handler it replaced, to be put
// back at the end of the run.
QtMessageHandler quietTraces(bool verbose);

} // namespace Headless

#endif // HEADLESSREPORT_H
