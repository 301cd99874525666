#ifndef R7_PAGEDRIVER_H
#define R7_PAGEDRIVER_H

#include "App/parameterbinding.h"
#include "editordriver.h"
#include "testsupport.h"

#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTranslator>

#include <functional>

namespace PageDriver {

using EditorDriver::setRegister32;
using EditorDriver::simWrites;

// The entries of a combo box, in order, joined by '|'.
inline QString itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts.join(QLatin1Char('|'));
}

// A 32-bit parameter in the "AB-CD" word order (high word first); -1 when unread.
inline qint64 pair(SimProcess &sim, int address)
{
    const QStringList words = EditorDriver::registers(sim, address, 2).split(QLatin1Char(' '));
    return words.size() == 2 ? (words.at(0).toLongLong() << 16) | words.at(1).toLongLong() : -1;
}

// One simulator and one main window connected to it (the ticks run by hand) for a whole page suite; the suite
// calls startSuite() in initTestCase() and enterPage() at the start of each test.
class PageSuite : public QObject
{
protected:
    bool startSuite(int pageIndex)
    {
        TestSupport::installMessageCollector();
        qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
        if (!m_sim.start())
            return false;
        m_window = new MainWindow;
        m_window->move(0, 0);
        m_window->show();
        QApplication::setActiveWindow(m_window);
        m_pageIndex = pageIndex;
        m_page = qobject_cast<ParameterPage *>(m_window->page(pageIndex));
        return QTest::qWaitForWindowActive(m_window) && g_unmatchedSlots.isEmpty() && m_page
            && EditorDriver::connectForManualTicks(m_window, m_sim);
    }
    void endSuite()
    {
        delete m_window;
        m_window = nullptr;
        TestSupport::removeMessageCollector();
    }

    // Runs the simulator commands, enters the page afresh and refreshes it once; no editor has the focus and
    // the write count starts from 0.
    bool enterPage(const QStringList &commands)
    {
        for (const QString &command : commands) {
            if (!m_sim.command(command))
                return false;
        }
        m_window->showPage(PageMainInterface);
        m_window->showPage(m_pageIndex);
        QApplication::setActiveWindow(m_window);
        tick();
        if (QWidget *focus = QApplication::focusWidget())
            focus->clearFocus();
        return m_sim.command(QStringLiteral("writes reset"));
    }

    void tick() { m_window->onTick(); }
    template <typename T = QWidget> T *child(const QString &name) const { return m_page->findChild<T *>(name); }

    // The operator writes through the named editor (on whichever tab it is): picks item value of a combo box,
    // types value into a line edit, clicks a button. The answer is the one write request the simulator took in.
    QString writeThrough(const QString &name, const QString &value = QStringLiteral("1"))
    {
        QWidget *editor = child(name);
        if (!editor || !m_sim.command(QStringLiteral("writes reset")))
            return QStringLiteral("no editor %1").arg(name);
        for (QWidget *w = editor; w->parentWidget(); w = w->parentWidget()) {
            if (auto *tabs = qobject_cast<QTabWidget *>(w->parentWidget()->parentWidget()))
                tabs->setCurrentWidget(w);
        }
        QApplication::setActiveWindow(m_window);
        if (auto *box = qobject_cast<QComboBox *>(editor))
            EditorDriver::choose(box, value.toInt());
        else if (auto *edit = qobject_cast<QLineEdit *>(editor))
            EditorDriver::commitText(edit, value);
        else
            QTest::mouseClick(editor, Qt::LeftButton);
        const int writes = simWrites(m_sim);
        return writes == 1 ? EditorDriver::lastWrite(m_sim) : QStringLiteral("%1 writes").arg(writes);
    }

    // The remote-editing banner shows while the switch register holds 0 and goes when it holds 1 again.
    bool bannerFollows(int switchRegister)
    {
        auto *banner = child(QStringLiteral("widget_top"));
        if (banner->isVisible() || !m_sim.command(QStringLiteral("set %1 0").arg(switchRegister)))
            return false;
        tick();
        if (!banner->isVisible() || child<QLabel>(QStringLiteral("label_RemoteTip"))->text().isEmpty()
            || !m_sim.command(QStringLiteral("set %1 1").arg(switchRegister)))
            return false;
        tick();
        return !banner->isVisible();
    }

    // The text changes with the Chinese translation and comes back after it; check runs while it is installed.
    bool translates(const std::function<QString()> &text, const std::function<void()> &check = {})
    {
        const QString english = text();
        QTranslator chinese;
        if (!chinese.load(QStringLiteral(":/Translate/Language_CN.qm")))
            return false;
        QCoreApplication::installTranslator(&chinese);
        QCoreApplication::processEvents();
        if (check)
            check();
        const QString translated = text();
        QCoreApplication::removeTranslator(&chinese);
        QCoreApplication::processEvents();
        return !translated.isEmpty() && translated != english && text() == english;
    }
    bool translates(const QLabel *label) { return translates([label] { return label->text(); }); }

    QTemporaryDir m_dir;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
    ParameterPage *m_page = nullptr;
    int m_pageIndex = 0;
};

} // namespace PageDriver

#endif // R7_PAGEDRIVER_H
