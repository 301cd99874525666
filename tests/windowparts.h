#ifndef WINDOWPARTS_H
#define WINDOWPARTS_H

// The parts of the main window a suite drives, found by type among the
// window's children, so the window's interface carries nothing for tests.

#include "App/testmaintain.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/modbussetting.h"
#include "Modbus/refreshcycle.h"
#include "main/mainwindow.h"

inline ModbusSetting *connectionPageOf(const MainWindow *window)
{
    return window->findChild<ModbusSetting *>();
}

inline TestMaintain *testMaintainOf(const MainWindow *window)
{
    return window->findChild<TestMaintain *>();
}

inline DisplayWeightThread *workerOf(const MainWindow *window)
{
    return window->findChild<DisplayWeightThread *>();
}

// Failed header polls in a row.
inline int failureCountOf(const MainWindow *window)
{
    return window->findChild<RefreshCycle *>()->failureCount();
}

#endif // WINDOWPARTS_H
