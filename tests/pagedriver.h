#ifndef R7_PAGEDRIVER_H
#define R7_PAGEDRIVER_H

#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "main/mainwindow.h"

#include "simprocess.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// Drives parameter pages the way an operator does, against the simulator:
// connects the main window over loopback TCP, picks combo box entries from the
// pop-up list, types into line edits and reads registers back through the
// simulator's console.
namespace PageDriver {

inline bool connectWindow(MainWindow *window, const SimProcess &sim)
{
    ModbusSetting *page = window->connectionPage();
    page->findChild<QComboBox *>(QStringLiteral("connectType"))->setCurrentIndex(1);
    page->findChild<QLineEdit *>(QStringLiteral("EditHostIP"))->setText(QStringLiteral("127.0.0.1"));
    page->findChild<QLineEdit *>(QStringLiteral("EditPort"))->setText(QString::number(sim.tcpPort()));
    QSignalSpy linkUp(page, &ModbusSetting::ConnectSuccessfulSignal);
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("connectButton")), Qt::LeftButton);
    return linkUp.count() == 1 && g_pageIndex == PageMainInterface;
}

// The operator opens the pop-up and clicks the entry: the combo box gets the
// focus first, as it does under the mouse, so its focus-in value is saved.
inline bool choose(QComboBox *box, int index)
{
    // A closed pop-up may leave no window active, and focus goes only to one.
    QApplication::setActiveWindow(box->window());
    box->setFocus(Qt::MouseFocusReason);
    if (!box->hasFocus())
        return false;
    box->showPopup();
    QAbstractItemView *view = box->view();
    if (!QTest::qWaitFor([view] { return view->isVisible(); }))
        return false;
    const QModelIndex entry = view->model()->index(index, box->modelColumn(), box->rootModelIndex());
    view->scrollTo(entry);
    const QRect item = view->visualRect(entry);
    if (!item.isValid())
        return false;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    return QTest::qWaitFor([view] { return !view->isVisible(); });
}

// Clicks into the field, replaces its text and confirms with Return.
inline bool typeAndReturn(QLineEdit *edit, const QString &text)
{
    QApplication::setActiveWindow(edit->window());
    edit->setFocus(Qt::MouseFocusReason);
    if (!edit->hasFocus())
        return false;
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    return true;
}

// Registers as the simulator holds them (16-bit each).
inline QList<int> registers(SimProcess &sim, int address, int count)
{
    QList<int> values;
    if (!sim.command(QStringLiteral("get %1 %2").arg(address).arg(count)))
        return values;
    const QStringList words = sim.lastAnswer().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 1; i < words.size(); ++i)
        values << words.at(i).toInt();
    return values;
}

// A 32-bit parameter in the "AB-CD" word order (high word first).
inline qint64 pair(SimProcess &sim, int address)
{
    const QList<int> words = registers(sim, address, 2);
    if (words.size() != 2)
        return -1;
    return (qint64(words.at(0)) << 16) | words.at(1);
}

inline bool setPair(SimProcess &sim, int address, qint32 value)
{
    const quint32 bits = quint32(value);
    return sim.command(QStringLiteral("set %1 %2").arg(address).arg(bits >> 16))
        && sim.command(QStringLiteral("set %1 %2").arg(address + 1).arg(bits & 0xFFFF));
}

// Number of write requests the simulator took in since the last reset.
inline int writeCount(SimProcess &sim)
{
    if (!sim.command(QStringLiteral("writes")))
        return -1;
    return sim.lastAnswer().section(QLatin1Char(' '), -1).toInt();
}

} // namespace PageDriver

#endif // R7_PAGEDRIVER_H
