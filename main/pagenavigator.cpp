#include "main/pagenavigator.h"
#include "ui_mainwindow.h"

#include "App/application.h"
#include "App/basicconfig.h"
#include "App/datatrans.h"
#include "App/maininterface.h"
#include "App/testmaintain.h"
#include "App/weightcal.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QScrollArea>
#include <QShortcut>

#include <algorithm>

namespace {

const char *const NavSelectedStyle = "background-color:#00aaff;";
const char *const NavNormalStyle = "QPushButton:hover{background-color:#00aaff;}";

// Where a widget sits on its page: its own and each ancestor's position,
// from the page down; siblings at one place (the tabs of a tab widget) keep
// their order.
QVector<int> placeKey(QWidget *widget, const QWidget *page)
{
    QVector<int> key;
    for (QWidget *w = widget; w && w != page; w = w->parentWidget()) {
        const int index = w->parentWidget() ? w->parentWidget()->children().indexOf(w) : 0;
        key = QVector<int>{w->y(), w->x(), index} + key;
    }
    return key;
}

// The widgets of a page that Tab stops at, top to bottom and left to right
// by group and within each group. Parts of a compound editor (the line edit
// of a spin box or combo box) go with their editor.
QList<QWidget *> tabStops(QWidget *page)
{
    QList<QWidget *> stops;
    for (QWidget *w : page->findChildren<QWidget *>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
            continue;
        bool inner = false;
        for (QWidget *p = w->parentWidget(); p && p != page && !inner; p = p->parentWidget())
            inner = qobject_cast<QComboBox *>(p) || qobject_cast<QAbstractSpinBox *>(p);
        if (!inner)
            stops << w;
    }
    QHash<QWidget *, QVector<int>> keys;
    for (QWidget *w : stops)
        keys.insert(w, placeKey(w, page));
    std::stable_sort(stops.begin(), stops.end(),
                     [&keys](QWidget *a, QWidget *b) { return keys.value(a) < keys.value(b); });
    return stops;
}

// A page's scroll area is no stop of its own for Tab: it shows nothing when
// focused, and it scrolls to each editor that takes the focus.
void noScrollAreaStops(QWidget *page)
{
    QList<QScrollArea *> areas = page->findChildren<QScrollArea *>();
    if (auto *area = qobject_cast<QScrollArea *>(page))
        areas << area;
    for (QScrollArea *area : areas)
        area->setFocusPolicy(Qt::NoFocus);
}

// A page without a scroll area of its own is put into one, so that a window
// lower than the page scrolls it instead of cutting it off. The page keeps
// its own object name; the area is named after it.
QWidget *scrollable(QWidget *page)
{
    if (!page->findChildren<QScrollArea *>().isEmpty())
        return page;
    auto *area = new QScrollArea;
    area->setObjectName(page->objectName() + QStringLiteral("_scroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(page);
    return area;
}

} // namespace

PageNavigator::PageNavigator(Ui::MainWindow *form, ModbusSetting *connection, std::function<void()> buildPages)
    : ui(form)
    , m_buildPages(std::move(buildPages))
{
    // The connection page has the room of the header, the navigation and the
    // status bar, which it hides; its height must not hold the other pages
    // to its own minimum on a small screen.
    m_pages.connection = connection;
    QWidget *shown = scrollable(connection);
    shown->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    m_connectionStackIndex = ui->stackedWidget->addWidget(shown);
    noScrollAreaStops(shown);
    m_navButtons[PageMainInterface] = ui->ButtonMainInterface;
    m_navButtons[PageBasicConfig] = ui->ButtonBasicConfig;
    m_navButtons[PageWeightCal] = ui->ButtonWeightCal;
    m_navButtons[PageApplication] = ui->ButtonApplication;
    m_navButtons[PageDataTrans] = ui->ButtonDataTrans;
    m_navButtons[PageTestMaintain] = ui->ButtonTestMaintain;
    // Ctrl+1 to Ctrl+6 open the pages while the navigation bar is shown. A
    // button's own shortcut would be replaced by the mnemonic of its text at
    // every change of language.
    for (int i = 0; i < 6; ++i) {
        QPushButton *button = m_navButtons[i];
        QObject::connect(button, &QPushButton::clicked, button, [this, i] { showPage(i); });
        const QKeySequence keys(int(Qt::CTRL) + Qt::Key_1 + i);
        auto *shortcut = new QShortcut(keys, button);
        QObject::connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
        button->setToolTip(keys.toString(QKeySequence::NativeText));
    }
}

void PageNavigator::addPages(const Pages &pages)
{
    if (hasPages())
        return;
    ModbusSetting *connection = m_pages.connection;
    m_pages = pages;
    m_pages.connection = connection;
    for (int i = PageMainInterface; i <= PageTestMaintain; ++i) {
        QWidget *p = scrollable(page(i));
        m_stackIndex[i] = ui->stackedWidget->addWidget(p);
        noScrollAreaStops(p);
    }
}

void PageNavigator::ensurePages()
{
    if (!hasPages() && m_buildPages)
        m_buildPages();
}

QWidget *PageNavigator::page(int index)
{
    if (index >= PageMainInterface && index <= PageTestMaintain)
        ensurePages();
    switch (index) {
    case PageMainInterface:
        return m_pages.mainInterface;
    case PageBasicConfig:
        return m_pages.basicConfig;
    case PageWeightCal:
        return m_pages.weightCal;
    case PageApplication:
        return m_pages.application;
    case PageDataTrans:
        return m_pages.dataTrans;
    case PageTestMaintain:
        return m_pages.testMaintain;
    case PageConnection:
        return m_pages.connection;
    default:
        return nullptr;
    }
}

void PageNavigator::showPage(int index)
{
    if ((index < PageMainInterface || index > PageTestMaintain) && index != PageConnection) {
        qWarning() << "showPage: no page" << index;
        return;
    }
    if (index != PageConnection)
        ensurePages();

    // A field still being edited on the page being left commits now, while
    // its page is current. Its write waits with the event loop running: a
    // switch or a disconnect that ran meanwhile has the last word.
    QWidget *shown = ui->stackedWidget->currentWidget();
    QWidget *focus = QApplication::focusWidget();
    if (shown && focus && shown->isAncestorOf(focus)) {
        const int before = g_pageIndex;
        focus->clearFocus();
        if (g_pageIndex != before)
            return;
    }

    for (int i = 0; i < 6; ++i)
        m_navButtons[i]->setStyleSheet(QString::fromLatin1(i == index ? NavSelectedStyle : NavNormalStyle));

    g_pageIndex = index;
    ui->stackedWidget->setCurrentIndex(index == PageConnection ? m_connectionStackIndex : m_stackIndex[index]);

    switch (index) {
    case PageMainInterface:
        m_pages.mainInterface->enterPage();
        break;
    case PageBasicConfig:
        m_pages.basicConfig->enterPage();
        break;
    case PageWeightCal:
        m_pages.weightCal->enterPage();
        break;
    case PageApplication:
        m_pages.application->enterPage();
        break;
    case PageDataTrans:
        m_pages.dataTrans->enterPage();
        break;
    case PageTestMaintain:
        m_pages.testMaintain->enterPage();
        break;
    default:
        qDebug() << "e_ModbusSetting InterfaceInit";
        m_pages.connection->initInterface();
        break;
    }

    orderTabStops();

    // The reset password holds for one visit of Test Maintain only.
    if (index != PageTestMaintain && m_pages.testMaintain)
        m_pages.testMaintain->resetUnlock();
}

void PageNavigator::refreshPage(int page)
{
    if (page >= PageMainInterface && page <= PageTestMaintain)
        ensurePages();
    switch (page) {
    case PageMainInterface:
        m_pages.mainInterface->updateDraw();
        break;
    case PageBasicConfig:
        m_pages.basicConfig->refreshFromMirror(false);
        break;
    case PageWeightCal:
        m_pages.weightCal->refreshFromMirror(false);
        break;
    case PageApplication:
        m_pages.application->refreshFromMirror(false);
        break;
    case PageDataTrans:
        m_pages.dataTrans->refreshFromMirror(false);
        break;
    case PageTestMaintain:
        m_pages.testMaintain->refreshFromMirror(false);
        break;
    default:
        break;
    }
}

void PageNavigator::adjustPages(int width)
{
    if (!hasPages())
        return;
    m_pages.mainInterface->adjustLayout(width);
    m_pages.basicConfig->adjustLayout(width);
    m_pages.weightCal->adjustLayout(width);
    m_pages.application->adjustLayout(width);
    m_pages.dataTrans->adjustLayout(width);
}

void PageNavigator::orderTabStops()
{
    // The title row's buttons, the navigation, the page shown (the others are
    // hidden and skipped), then Disconnect. The groups move with the width,
    // so the page's order is worked out again after every layout.
    if (!m_navButtons[0])
        return; // still being built
    QList<QWidget *> chain = {ui->Btn_ChangeLanguage, ui->Btn_ChangeColor};
    for (QPushButton *button : m_navButtons)
        chain << button;
    chain << tabStops(ui->stackedWidget->currentWidget()) << ui->ButtonDisconnect;
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
}
