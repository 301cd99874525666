#include "Modbus/linkstate.h"

#include <QModbusClient>

int g_slaveId = 1;
int g_dwordFormat = 0;
int g_connType = 0;
bool g_linkClosing = false;
int g_pageIndex = 0;
int g_language = 0;
int g_uiMode = 0;
QString g_savedValueText;
std::atomic<bool> g_tickPending{false};
bool g_commError = false;
AppTab g_appTabCode = AppTab::Inputs;

namespace {
// QPointer: the client may be destroyed by its owner while a request waits on it.
QPointer<QModbusClient> s_client;
}

QModbusClient *modbusClient()
{
    return s_client.data();
}

void setModbusClient(QModbusClient *client)
{
    s_client = client;
}

void setLinkClosing(bool closing)
{
    g_linkClosing = closing;
    if (closing)
        emit LinkNotifier::instance()->linkClosingRaised();
}

LinkNotifier *LinkNotifier::instance()
{
    static LinkNotifier notifier;
    return &notifier;
}
