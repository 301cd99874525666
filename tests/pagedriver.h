#ifndef R7_PAGEDRIVER_H
#define R7_PAGEDRIVER_H

#include "editordriver.h"
#include "simprocess.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

// Drives parameter pages the way an operator does, against the simulator:
// picks combo box entries from the pop-up list with the mouse, types into line
// edits and reads registers back as numbers. Connecting the window, storing
// 32-bit values and counting writes are EditorDriver's.
namespace PageDriver {

using EditorDriver::connectForManualTicks;
using EditorDriver::ChineseTranslation;
using EditorDriver::setRegister32;
using EditorDriver::simWrites;
using EditorDriver::whileChinese;

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

// The entries of a combo box, in order.
inline QStringList itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
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

} // namespace PageDriver

#endif // R7_PAGEDRIVER_H
