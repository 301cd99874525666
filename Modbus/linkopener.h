#ifndef LINKOPENER_H
#define LINKOPENER_H

#include <QString>

class QModbusClient;

// How far opening a link got.
enum class LinkStep {
    Proven,     // connected, and the device answered the test read
    NotReached, // the port did not open, or no TCP connection within the time-out
    NoAnswer,   // connected, but no answer to the test read within the time-out
    Exception   // the test read was answered with an exception or a reply that does not fit
};

struct LinkProof
{
    LinkStep step = LinkStep::NotReached;
    QString detail; // what went wrong, in words, for a log or a command line

    bool ok() const { return step == LinkStep::Proven; }
};

// Opens a client whose connection parameters are set and proves the link: every
// request of the client gets timeoutMs to be answered (reads and writes alike;
// on a serial line plus the time the longest frames take on the wire at its
// speed), the connection is waited for up to timeoutMs (a TCP connection is set
// up in the background), then registers 0 and 1 of unit unitId are read. The event loop
// runs meanwhile; raising g_linkClosing or destroying the client ends the wait.
// The client is left connected or not; the caller keeps or destroys it.
LinkProof openAndProveLink(QModbusClient *client, int timeoutMs, int unitId);

#endif // LINKOPENER_H
