#ifndef R7_EDITORDRIVER_H
#define R7_EDITORDRIVER_H

#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "main/mainwindow.h"
#include "simprocess.h"
#include "windowparts.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

// Drives page editors the way the operator does, and reads back what the simulator was sent.
namespace EditorDriver {

// Click into the field (focus-in), select everything, type the new text.
inline void replaceText(QLineEdit *edit, const QString &text)
{
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

inline void commitText(QLineEdit *edit, const QString &text)
{
    replaceText(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// Opens the pop-up with a click and picks the item with Return, which raises activated() even for the item shown.
inline void choose(QComboBox *box, int index)
{
    QTest::mouseClick(box, Qt::LeftButton);
    QAbstractItemView *view = box->view();
    view->setCurrentIndex(box->model()->index(index, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QApplication::setActiveWindow(box->window()); // offscreen, the closed pop-up does not hand the activation back
}

// Write requests the simulator took in since its last "writes reset"; -1 when the console did not answer.
inline int simWrites(SimProcess &sim)
{
    return sim.command(QStringLiteral("writes")) ? sim.lastAnswer().section(QLatin1Char(' '), 2, 2).toInt() : -1;
}

// "ADDRESS COUNT VALUE..." of the last write request, or "none".
inline QString lastWrite(SimProcess &sim)
{
    return sim.command(QStringLiteral("lastwrite")) ? sim.lastAnswer().mid(int(qstrlen("ok lastwrite ")))
                                                    : sim.lastAnswer();
}

// The register values as the simulator holds them, separated by blanks.
inline QString registers(SimProcess &sim, int address, int count = 2)
{
    return sim.command(QStringLiteral("get %1 %2").arg(address).arg(count)) ? sim.lastAnswer().mid(3)
                                                                             : sim.lastAnswer();
}

// Stores a 32-bit value, signed or not, in the simulator's default AB-CD word order.
inline bool setRegister32(SimProcess &sim, int address, qint64 value)
{
    const quint32 bits = quint32(value);
    return sim.command(QStringLiteral("set %1 %2").arg(address).arg(bits >> 16))
        && sim.command(QStringLiteral("set %1 %2").arg(address + 1).arg(bits & 0xFFFF));
}

// Connects the main window to the simulator over TCP through its connection page.
inline bool connectWindow(MainWindow *window, const SimProcess &sim)
{
    ModbusSetting *page = connectionPageOf(window);
    page->findChild<QComboBox *>(QStringLiteral("connectType"))->setCurrentIndex(1);
    page->findChild<QLineEdit *>(QStringLiteral("EditHostIP"))->setText(QStringLiteral("127.0.0.1"));
    page->findChild<QLineEdit *>(QStringLiteral("EditPort"))->setText(QString::number(sim.tcpPort()));
    // The longest Delay, the link's time-out: a loaded test machine may keep the simulator waiting.
    page->findChild<QSpinBox *>(QStringLiteral("timeoutSpinner"))->setValue(1000);
    QSignalSpy linkUp(page, &ModbusSetting::ConnectSuccessfulSignal);
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("connectButton")), Qt::LeftButton);
    return linkUp.count() == 1 && g_pageIndex == PageMainInterface;
}

// connectWindow(), then stops the polling worker: the suite runs the ticks by hand (MainWindow::onTick()).
inline bool connectForManualTicks(MainWindow *window, const SimProcess &sim)
{
    if (!connectWindow(window, sim))
        return false;
    workerOf(window)->stop();
    return true;
}

} // namespace EditorDriver

#endif // R7_EDITORDRIVER_H
