#include "main/headlessreport.h"

#include "Excel/exeltowrite.h"

#include <cstdio>

namespace Headless {

namespace {

QString firstAddresses(const QStringList &addresses, int total)
{
    QStringList shown;
    for (const QString &address : addresses)
        shown << escaped(address);
    QString text = shown.join(QStringLiteral(", "));
    if (total > addresses.size())
        text += QStringLiteral(", ...");
    return text;
}

} // namespace

void printErr(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void printOut(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

namespace {

QtMessageHandler s_previousHandler = nullptr;
bool s_verbose = false;

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!s_verbose && (type == QtDebugMsg || type == QtInfoMsg))
        return;
    if (s_previousHandler)
        s_previousHandler(type, context, message);
}

} // namespace

QtMessageHandler quietTraces(bool verbose)
{
    s_verbose = verbose;
    s_previousHandler = qInstallMessageHandler(quietHandler);
    return s_previousHandler;
}

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (u < 0x20 || u == 0x7f)
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else if (u == 0x85 || u == 0x2028 || u == 0x2029)
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString normalised(const QString &text, quint32 type, bool *ok)
{
    if (type == 3) {
        bool parsed = false;
        const float f = text.trimmed().toFloat(&parsed);
        *ok = parsed;
        return QString::number(double(f), 'g', 6);
    }
    quint32 value = 0;
    *ok = ExelToWrite::parseUnsigned(text, &value) && (type != 1 || value <= 0xFFFF);
    return QString::number(value);
}

QString transferFailure(int result, const TransferReport &report)
{
    switch (result) {
    case ExelToWrite::NotOpened:
        return report.fileProblem.isEmpty() ? QStringLiteral("cannot open or write the workbook")
                                            : QStringLiteral("cannot open or write the workbook: %1")
                                                  .arg(report.fileProblem);
    case ExelToWrite::NoSheets:
        return QStringLiteral("the workbook has no sheets");
    case ExelToWrite::NoSheet:
        return QStringLiteral("sheet \"%1\": %2").arg(ExelToWrite::SheetName, report.fileProblem);
    case ExelToWrite::NoRows:
        return QStringLiteral("the sheet \"%1\" is empty").arg(ExelToWrite::SheetName);
    default:
        return QStringLiteral("transfer ended with code %1").arg(result);
    }
}


void printSummary(Kind kind, const QString &what, const TransferReport &report, int compared, int differ,
                  const QStringList &differing)
{
    QString text = QStringLiteral("%1: %2 rows: %3 %4, failed %5, refused %6, kept %7")
                       .arg(what)
                       .arg(report.rows)
                       .arg(kind == Kind::Import ? QStringLiteral("written") : QStringLiteral("read"))
                       .arg(report.transferred)
                       .arg(report.failed)
                       .arg(report.refused)
                       .arg(report.kept);
    if (kind != Kind::Export)
        text += QStringLiteral(", no value %1").arg(report.noValue);
    if (kind == Kind::Compare)
        text += QStringLiteral(", compared %1, differ %2").arg(compared).arg(differ);
    text += QLatin1Char('\n');
    if (report.failed > 0)
        text += QStringLiteral("  failed: %1\n").arg(firstAddresses(report.failedRows, report.failed));
    if (report.refused > 0)
        text += QStringLiteral("  refused: %1\n").arg(firstAddresses(report.refusedRows, report.refused));
    if (differ > 0)
        text += QStringLiteral("  differ: %1\n").arg(firstAddresses(differing, differ));
    printErr(text);
}

int rowsExitCode(const TransferReport &report)
{
    return report.problemCount() > 0 ? ExitRowsFailed : ExitDone;
}


} // namespace Headless
