#ifndef R7_SIMPROCESS_H
#define R7_SIMPROCESS_H

#include <QDeadlineTimer>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

// A child process that the kernel ends (SIGTERM) when the test process dies,
// so a test that crashes or is aborted by a sanitizer leaves no simulator or
// socat behind holding ports, ptys and the test's output pipe.
class TiedProcess : public QProcess {
public:
    // SIGTERM (r7sim closes its ports, socat removes its links), SIGKILL after 3 s.
    TiedProcess();
    ~TiedProcess() override;

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
protected:
    void setupChildProcess() override;
#endif
};

// The device simulator r7sim (found through R7SIM, which CTest sets) as a child
// process of a test, which ends with it.
//
//     SimProcess sim({"--tcp", "0", "--dword", "CD-AB"});
//     QVERIFY2(sim.start(), qPrintable(sim.errorString()));
//     QVERIFY2(sim.command("load 12.5"), qPrintable(sim.lastAnswer()));
//     ... connect a Modbus client to 127.0.0.1:sim.tcpPort() ...
class SimProcess {
public:
    explicit SimProcess(const QStringList& arguments = { QStringLiteral("--tcp"), QStringLiteral("0") });

    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts r7sim and waits until each transport it was asked for has printed
    // its "r7sim listening ..." line.
    bool start(int timeoutMs = 10000);
    // What went wrong in start() or command().
    QString errorString() const { return m_error; }

    QString tcpHost() const { return m_tcpHost; }
    quint16 tcpPort() const { return m_tcpPort; }

    // Sends one console command and waits for its answer line; true when the
    // answer is "ok ...". The answer itself is in lastAnswer().
    bool command(const QString& line, int timeoutMs = 5000);
    QString lastAnswer() const { return m_lastAnswer; }

    // Stores the registers first .. first + words.size() - 1 again (a word per register).
    void restore(int first, const QStringList& words);
    // The registers first .. first + count - 1, one word each.
    QStringList registers(int first, int count);

private:
    bool readLine(QString* line, const QDeadlineTimer& deadline);

    TiedProcess m_process;
    QStringList m_arguments;
    QString m_error;
    QString m_lastAnswer;
    QString m_tcpHost;
    quint16 m_tcpPort = 0;
};

// A pair of connected ptys made by socat, the serial line between the
// simulator and an RTU client. Both links live in a temporary directory.
class SocatPair {
public:
    SocatPair();

    SocatPair(const SocatPair&) = delete;
    SocatPair& operator=(const SocatPair&) = delete;

    static bool isAvailable();

    // Starts socat and waits until both links exist.
    bool start(int timeoutMs = 5000);
    QString errorString() const { return m_error; }

    QString first() const { return m_dir.filePath(QStringLiteral("ttyA")); }
    QString second() const { return m_dir.filePath(QStringLiteral("ttyB")); }

private:
    QTemporaryDir m_dir;
    TiedProcess m_process;
    QString m_error;
};

// Registers a case changes that later cases read: kept when it is made and
// stored again when it goes out of scope, whatever way the case ends.
//
//     const KeptRegisters kept(sim, {{100, 30}, {654, 4}});
class KeptRegisters {
public:
    KeptRegisters(SimProcess& sim, const QVector<QPair<int, int>>& ranges);
    ~KeptRegisters();

    KeptRegisters(const KeptRegisters&) = delete;
    KeptRegisters& operator=(const KeptRegisters&) = delete;

private:
    SimProcess& m_sim;
    QVector<QPair<int, QStringList>> m_kept; // first register, its words
};

#endif // R7_SIMPROCESS_H
