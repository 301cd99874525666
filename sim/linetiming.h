#ifndef R7SIM_LINETIMING_H
#define R7SIM_LINETIMING_H

#include <QtGlobal>

// Time a Modbus RTU exchange takes on a real serial line. A pty delivers a frame
// at once whatever its baud rate, so the RTU server holds each reply for this
// long to make round trips look like those on the wire.
//
//   bits per character  b = 1 start + data bits + (1 if parity) + stop bits
//   character time      c = b / baud
//   frame silence       s = 3.5 c, but at least 1.75 ms above 19200 baud
//                           (the Modbus serial-line rule for fast lines)
//   exchange            t = s + request bytes * c + s + reply bytes * c
//
// The exchange starts with the silence before the request and ends with the
// last reply character; both ADUs count address, PDU and CRC bytes.
//
// A client keeps the silence before its request in real time (its inter-frame
// delay) even on a pty, so a reply is held for the rest of the exchange only:
//   hold = request bytes * c + s + reply bytes * c
class LineTiming {
public:
    LineTiming(int baud = 9600, int dataBits = 8, bool parity = false, int stopBits = 1);

    int bitsPerCharacter() const { return m_bitsPerCharacter; }
    qint64 characterNs() const;
    qint64 silenceNs() const;
    qint64 exchangeNs(int requestBytes, int replyBytes) const;
    qint64 replyHoldNs(int requestBytes, int replyBytes) const;

private:
    double characterExactNs() const;
    double silenceExactNs() const;

    int m_baud;
    int m_bitsPerCharacter;
};

#endif // R7SIM_LINETIMING_H
