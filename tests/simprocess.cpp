#include "simprocess.h"

#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <csignal>
#include <sys/prctl.h>

namespace {
// Runs in the child between fork and exec: only async-signal-safe calls.
void tieToParent()
{
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
}
} // namespace

TiedProcess::TiedProcess()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    setChildProcessModifier(tieToParent);
#endif
}

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
void TiedProcess::setupChildProcess()
{
    tieToParent();
}
#endif

TiedProcess::~TiedProcess()
{
    if (state() == NotRunning)
        return;
    terminate();
    if (!waitForFinished(3000)) {
        kill();
        waitForFinished(3000);
    }
}

SimProcess::SimProcess(const QStringList& arguments)
    : m_arguments(arguments)
{
    // Commands are answered on stdout; the simulator's diagnostics (and the
    // --verbose trace) go straight to the test's stderr, where they help most.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setReadChannel(QProcess::StandardOutput);
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
    const QString program = qEnvironmentVariable("R7SIM");
    if (!QFileInfo(program).isExecutable()) {
        m_error = QStringLiteral("R7SIM does not name the r7sim binary ('%1')").arg(program);
        return false;
    }
    const auto wants = [this](const QString& name) {
        return std::any_of(m_arguments.begin(), m_arguments.end(),
            [&name](const QString& a) { return a == name || a.startsWith(name + QLatin1Char('=')); });
    };
    bool wantRtu = wants(QStringLiteral("--rtu")) || wants(QStringLiteral("--pty"));
    bool wantTcp = wants(QStringLiteral("--tcp")) || !wantRtu;

    const QDeadlineTimer deadline(timeoutMs);
    m_process.start(program, m_arguments);
    if (!m_process.waitForStarted(int(qMax<qint64>(deadline.remainingTime(), 1)))) {
        m_error = QStringLiteral("cannot start %1: %2").arg(program, m_process.errorString());
        return false;
    }
    const QString tcpLine = QStringLiteral("r7sim listening tcp ");
    while (wantTcp || wantRtu) {
        QString line;
        if (!readLine(&line, deadline)) {
            m_error.prepend(QStringLiteral("waiting for the listening line: "));
            return false;
        }
        if (line.startsWith(tcpLine)) { // host:port, an IPv6 host in brackets
            const QString endpoint = line.mid(tcpLine.size());
            const int colon = endpoint.lastIndexOf(QLatin1Char(':'));
            m_tcpHost = endpoint.left(colon).remove(QLatin1Char('[')).remove(QLatin1Char(']'));
            m_tcpPort = quint16(endpoint.mid(colon + 1).toUInt());
            wantTcp = wantTcp && m_tcpPort == 0;
        } else if (line.startsWith(QLatin1String("r7sim listening rtu "))) {
            wantRtu = false;
        }
    }
    return true;
}

bool SimProcess::command(const QString& line, int timeoutMs)
{
    m_lastAnswer.clear();
    if (m_process.state() == QProcess::NotRunning) {
        m_error = QStringLiteral("r7sim is not running");
        return false;
    }
    m_process.write(line.toUtf8() + '\n');
    const QDeadlineTimer deadline(timeoutMs);
    QString answer;
    do {
        if (!readLine(&answer, deadline)) {
            m_lastAnswer = m_error;
            return false;
        }
    } while (!answer.startsWith(QLatin1String("ok")) && !answer.startsWith(QLatin1String("error")));
    m_lastAnswer = answer;
    return answer.startsWith(QLatin1String("ok"));
}

SocatPair::SocatPair()
{
    // socat -d -d reports on stderr; that is where it says it is ready.
    m_process.setReadChannel(QProcess::StandardError);
}

bool SocatPair::isAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty();
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

QStringList SimProcess::registers(int first, int count)
{
    if (!command(QStringLiteral("get %1 %2").arg(first).arg(count)))
        return {};
    return m_lastAnswer.mid(3).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

void SimProcess::restore(int first, const QStringList& words)
{
    for (int i = 0; i < words.size(); ++i)
        command(QStringLiteral("set %1 %2").arg(first + i).arg(words.at(i)));
}

KeptRegisters::KeptRegisters(SimProcess& sim, const QVector<QPair<int, int>>& ranges)
    : m_sim(sim)
{
    for (const auto& range : ranges)
        m_kept.append({ range.first, sim.registers(range.first, range.second) });
}

KeptRegisters::~KeptRegisters()
{
    for (const auto& kept : m_kept)
        m_sim.restore(kept.first, kept.second);
}
