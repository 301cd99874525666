#ifndef SETTINGS_H
#define SETTINGS_H

#include <QString>
#include <QtGlobal>

// Link settings of the connection page; a copy of it also describes every
// register request (first register, count, unit id, word order).
struct Settings
{
    Settings();

    int parity = 2;          // QSerialPort::Parity code: 0 none, 2 even, 3 odd
    int baud = 38400;
    int dataBits = 8;
    int stopBits = 1;
    int responseTime = 1000; // the connection page's Delay field: the link's time-out for every request, in ms
    int numberOfRetries = 0;
    int slaveId;             // defaults to g_slaveId
    int dwordFormat;         // defaults to g_dwordFormat
    int address = 0;
    int connectType = 0;     // 0 RTU, 1 TCP
    QString EditIP;
    QString EditPort;
    quint16 num = 0;
    QString SerialNum;
};

#endif // SETTINGS_H
