#ifndef RTUCLIENT_H
#define RTUCLIENT_H

// The Modbus RTU master under the name of the Qt version built against:
// QModbusRtuSerialMaster in Qt 5, QModbusRtuSerialClient in Qt 6.
#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QModbusRtuSerialClient>
using RtuSerialClient = QModbusRtuSerialClient;
#else
#include <QModbusRtuSerialMaster>
using RtuSerialClient = QModbusRtuSerialMaster;
#endif

#endif // RTUCLIENT_H
