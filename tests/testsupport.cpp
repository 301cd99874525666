#include "testsupport.h"

#include <QProcess>

QStringList g_unmatchedSlots;
QStringList g_traces;

namespace {

QtMessageHandler g_previousHandler = nullptr;
TestSupport::MessagePassing g_passing = TestSupport::PassAllButDebug;

void collectMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("QMetaObject::connectSlotsByName: No matching signal")))
        g_unmatchedSlots << message;
    if (type == QtDebugMsg)
        g_traces << message;
    if (type == QtDebugMsg && g_passing != TestSupport::PassAll)
        return;
    if (g_passing == TestSupport::PassAllButDebugAndSizeHints
        && message.contains(QLatin1String("propagateSizeHints")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

namespace TestSupport {

void installMessageCollector(MessagePassing passing)
{
    g_passing = passing;
    g_previousHandler = qInstallMessageHandler(collectMessages);
}

void removeMessageCollector()
{
    qInstallMessageHandler(g_previousHandler);
}

QByteArray packageParts(const QString &path, const QString &prefix)
{
    QProcess unzip;
    unzip.start(QStringLiteral("python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); sys.stdout.buffer.write("
                                "b''.join(z.read(n) for n in z.namelist() if n.startswith(sys.argv[2])))"),
                 path, prefix});
    const bool ok = unzip.waitForFinished(30000) && unzip.exitCode() == 0;
    const QByteArray out = unzip.readAllStandardOutput();
    return ok && !out.isEmpty() ? out : QByteArray();
}

} // namespace TestSupport
