#ifndef LINKSTATE_H
#define LINKSTATE_H

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>

class QModbusClient;

// Process-wide state of the device link and the interface.

extern int g_slaveId;        // unit id of every request
extern int g_dwordFormat;    // 0 "AB-CD" (high word first), 1 "CD-AB"
extern int g_connType;       // 0 Modbus RTU, 1 Modbus TCP
extern bool g_linkClosing;   // raised during the Disconnect grace period; use setLinkClosing()
extern int g_pageIndex;      // 0..5 the pages, 7 the connection page
extern int g_language;       // 0 English, 1 Chinese
extern int g_uiMode;         // 0 dark, 1 light
extern QString g_savedValueText;
extern std::atomic<bool> g_tickPending;
extern bool g_commError;
// The Application tab polled.
enum class AppTab { Inputs = 6, Outputs = 7, Comparators = 8 };
extern AppTab g_appTabCode;

enum PageIndex {
    PageMainInterface = 0,
    PageBasicConfig = 1,
    PageWeightCal = 2,
    PageApplication = 3,
    PageDataTrans = 4,
    PageTestMaintain = 5,
    PageConnection = 7
};

// The one Modbus client of the program; null while there is no link.
QModbusClient *modbusClient();
void setModbusClient(QModbusClient *client);

// Raising the flag wakes every request that is being waited for, so that it
// gives up at once instead of at its next time-out.
void setLinkClosing(bool closing);

class LinkNotifier : public QObject
{
    Q_OBJECT
public:
    static LinkNotifier *instance();

signals:
    void linkClosingRaised();
};

#endif // LINKSTATE_H
