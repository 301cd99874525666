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
#include <QTranslator>
#include <QtTest>

#include <functional>

// Drives page editors the way the operator does, and reads back what the
// simulator was sent. Header-only: the page suites include it (pagedriver.h
// takes the window and simulator helpers from here).
namespace EditorDriver {

// Click into the field (focus-in), select everything, type the new text.
inline void replaceText(QLineEdit *edit, const QString &text)
{
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

// replaceText() and Return.
inline void commitText(QLineEdit *edit, const QString &text)
{
    replaceText(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// Opens the pop-up with a click and picks the item with Return, which raises
// activated() even for the item already shown.
inline void choose(QComboBox *box, int index)
{
    QTest::mouseClick(box, Qt::LeftButton);
    QAbstractItemView *view = box->view();
    view->setCurrentIndex(box->model()->index(index, 0));
    QTest::keyClick(view, Qt::Key_Return);
    // Offscreen, the closed pop-up does not hand the activation back.
    QApplication::setActiveWindow(box->window());
}

// Write requests the simulator took in since its last "writes reset"; -1 when
// the console did not answer.
inline int simWrites(SimProcess &sim)
{
    if (!sim.command(QStringLiteral("writes")))
        return -1;
    return sim.lastAnswer().section(QLatin1Char(' '), 2, 2).toInt();
}

// "ADDRESS COUNT VALUE..." of the last write request, or "none".
inline QString lastWrite(SimProcess &sim)
{
    if (!sim.command(QStringLiteral("lastwrite")))
        return sim.lastAnswer();
    return sim.lastAnswer().mid(int(qstrlen("ok lastwrite ")));
}

// The register values as the simulator holds them, separated by blanks.
inline QString registers(SimProcess &sim, int address, int count = 2)
{
    if (!sim.command(QStringLiteral("get %1 %2").arg(address).arg(count)))
        return sim.lastAnswer();
    return sim.lastAnswer().mid(3);
}

// Stores a 32-bit value, signed or not, in the AB-CD word order of the
// simulator's default.
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
    QSignalSpy linkUp(page, &ModbusSetting::ConnectSuccessfulSignal);
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("connectButton")), Qt::LeftButton);
    return linkUp.count() == 1 && g_pageIndex == PageMainInterface;
}

// connectWindow(), then stops the polling worker: the suite runs the ticks by
// hand (MainWindow::onTick()), so that nothing polls behind the test's back.
inline bool connectForManualTicks(MainWindow *window, const SimProcess &sim)
{
    if (!connectWindow(window, sim))
        return false;
    workerOf(window)->stop();
    return true;
}

// The Chinese translation built into the program's resources.
const QString ChineseTranslation = QStringLiteral(":/Translate/Language_CN.qm");

// What read() returns while the Chinese translation is installed (after the
// language change has reached the windows); the translation is removed again
// before returning. An empty string when it does not load.
inline QString whileChinese(const std::function<QString()> &read)
{
    QTranslator chinese;
    if (!chinese.load(ChineseTranslation) || !QCoreApplication::installTranslator(&chinese))
        return QString();
    QCoreApplication::processEvents();
    const QString text = read();
    QCoreApplication::removeTranslator(&chinese);
    QCoreApplication::processEvents();
    return text;
}

} // namespace EditorDriver

#endif // R7_EDITORDRIVER_H
