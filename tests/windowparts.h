#ifndef WINDOWPARTS_H
#define WINDOWPARTS_H

// The parts of the main window a suite drives, found by type among the
// window's children or through its pages, so the window's interface carries
// nothing for tests.

#include "App/testmaintain.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "Modbus/refreshcycle.h"
#include "main/mainwindow.h"

inline ModbusSetting *connectionPageOf(const MainWindow *window)
{
    return window->findChild<ModbusSetting *>();
}

// The page is built when first asked for.
inline TestMaintain *testMaintainOf(const MainWindow *window)
{
    return qobject_cast<TestMaintain *>(window->page(PageTestMaintain));
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
