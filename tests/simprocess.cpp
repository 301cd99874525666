#include "simprocess.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

#include <csignal>
#include <sys/prctl.h>

namespace {

const QString ListeningTcp = QStringLiteral("r7sim listening tcp ");
const QString ListeningRtu = QStringLiteral("r7sim listening rtu ");

bool hasOption(const QStringList& arguments, const QString& name)
{
    for (const QString& argument : arguments) {
        if (argument == name || argument.startsWith(name + QLatin1Char('=')))
            return true;
    }
    return false;
}

} // namespace

void TiedProcess::setupChildProcess()
{
    // Runs in the child between fork and exec: only async-signal-safe calls.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
}

SimProcess::SimProcess(const QStringList& arguments)
    : m_arguments(arguments)
{
    // Commands are answered on stdout; the simulator's diagnostics (and the
    // --verbose trace) go straight to the test's stderr, where they help most.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setReadChannel(QProcess::StandardOutput);
}

SimProcess::~SimProcess()
{
    stop();
}

QString SimProcess::binaryPath()
{
    return qEnvironmentVariable("R7SIM");
}

bool SimProcess::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

bool SimProcess::readLine(QString* line, const QDeadlineTimer& deadline)
{
    while (!m_process.canReadLine()) {
        if (m_process.state() == QProcess::NotRunning) {
            m_error = QStringLiteral("r7sim ended (exit code %1)").arg(m_process.exitCode());
            return false;
        }
        if (deadline.hasExpired()) {
            m_error = QStringLiteral("r7sim did not answer in time");
            return false;
        }
        // Sleeps until output arrives, the process ends or the time is up.
        m_process.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 1)));
    }
    *line = QString::fromUtf8(m_process.readLine()).trimmed();
    return true;
}

bool SimProcess::start(int timeoutMs)
{
    const QString program = binaryPath();
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        m_error = QStringLiteral("R7SIM does not name the r7sim binary ('%1')").arg(program);
        return false;
    }

    const bool wantRtu = hasOption(m_arguments, QStringLiteral("--rtu"));
    const bool wantTcp = hasOption(m_arguments, QStringLiteral("--tcp")) || !wantRtu;
    bool haveTcp = false;
    bool haveRtu = false;

    const QDeadlineTimer deadline(timeoutMs);
    m_process.start(program, m_arguments);
    if (!m_process.waitForStarted(int(qMax<qint64>(deadline.remainingTime(), 1)))) {
        m_error = QStringLiteral("cannot start %1: %2").arg(program, m_process.errorString());
        return false;
    }

    while ((wantTcp && !haveTcp) || (wantRtu && !haveRtu)) {
        QString line;
        if (!readLine(&line, deadline)) {
            m_error.prepend(QStringLiteral("waiting for the listening line: "));
            return false;
        }
        if (line.startsWith(ListeningTcp)) {
            const QString endpoint = line.mid(ListeningTcp.size());
            const int colon = endpoint.lastIndexOf(QLatin1Char(':'));
            m_tcpHost = endpoint.left(colon);
            if (m_tcpHost.startsWith(QLatin1Char('[')) && m_tcpHost.endsWith(QLatin1Char(']')))
                m_tcpHost = m_tcpHost.mid(1, m_tcpHost.size() - 2);
            m_tcpPort = quint16(endpoint.mid(colon + 1).toUInt());
            haveTcp = m_tcpPort != 0;
        } else if (line.startsWith(ListeningRtu)) {
            haveRtu = true;
        }
    }
    return true;
}

bool SimProcess::command(const QString& line, int timeoutMs)
{
    m_lastAnswer.clear();
    if (!isRunning()) {
        m_error = QStringLiteral("r7sim is not running");
        return false;
    }
    m_process.write(line.toUtf8() + '\n');

    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QString answer;
        if (!readLine(&answer, deadline)) {
            m_lastAnswer = m_error;
            return false;
        }
        if (answer.startsWith(QLatin1String("ok")) || answer.startsWith(QLatin1String("error"))) {
            m_lastAnswer = answer;
            return answer.startsWith(QLatin1String("ok"));
        }
    }
}

bool SimProcess::exitedCleanly()
{
    if (m_process.exitStatus() != QProcess::NormalExit || m_process.exitCode() != 0) {
        m_error = QStringLiteral("r7sim ended with status %1, exit code %2")
                      .arg(int(m_process.exitStatus()))
                      .arg(m_process.exitCode());
        return false;
    }
    return true;
}

bool SimProcess::stop(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return exitedCleanly();
    m_process.terminate(); // SIGTERM: the simulator closes its ports and exits 0
    if (m_process.waitForFinished(timeoutMs))
        return exitedCleanly();
    m_process.kill();
    m_process.waitForFinished(timeoutMs);
    m_error = QStringLiteral("r7sim ignored SIGTERM and was killed");
    return false;
}

SocatPair::SocatPair()
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    // socat -d -d reports on stderr; that is where it says it is ready.
    m_process.setReadChannel(QProcess::StandardError);
}

SocatPair::~SocatPair()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // SIGTERM lets socat remove its links before the directory goes.
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool SocatPair::isAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty();
}

QString SocatPair::first() const
{
    return m_dir.filePath(QStringLiteral("ttyA"));
}

QString SocatPair::second() const
{
    return m_dir.filePath(QStringLiteral("ttyB"));
}

bool SocatPair::start(int timeoutMs)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory: %1").arg(m_dir.errorString());
        return false;
    }
    const QString pty = QStringLiteral("pty,raw,echo=0,link=%1");
    m_process.start(QStringLiteral("socat"),
        { QStringLiteral("-d"), QStringLiteral("-d"), pty.arg(first()), pty.arg(second()) });

    const QDeadlineTimer deadline(timeoutMs);
    if (!m_process.waitForStarted(int(qMax<qint64>(deadline.remainingTime(), 1)))) {
        m_error = QStringLiteral("cannot start socat: %1").arg(m_process.errorString());
        return false;
    }
    // socat creates both links before it enters its transfer loop, and says so.
    QByteArray log;
    while (!log.contains("starting data transfer loop")) {
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired()) {
            m_error = QStringLiteral("socat did not get ready: %1").arg(QString::fromLocal8Bit(log));
            return false;
        }
        m_process.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 1)));
        log += m_process.readAllStandardError();
    }
    if (!QFileInfo::exists(first()) || !QFileInfo::exists(second())) {
        m_error = QStringLiteral("socat is running but its links are missing");
        return false;
    }
    return true;
}
