#ifndef PAGENAVIGATOR_H
#define PAGENAVIGATOR_H

#include <functional>

namespace Ui { class MainWindow; }
class Application;
class BasicConfig;
class DataTrans;
class MainInterface;
class ModbusSetting;
class QPushButton;
class QWidget;
class TestMaintain;
class WeightCal;

// The pages of the main window and the way between them: the page stack, the
// navigation buttons with Ctrl+1 to Ctrl+6, which page is current
// (g_pageIndex), the tab order of the page shown, and the refresh of a page
// whose blocks were read. Only the connection page exists from the start;
// the others are built by the window's builder when first needed.
class PageNavigator
{
public:
    struct Pages
    {
        ModbusSetting *connection;
        MainInterface *mainInterface;
        BasicConfig *basicConfig;
        Application *application;
        WeightCal *weightCal;
        DataTrans *dataTrans;
        TestMaintain *testMaintain;
    };

    // Ties the navigation buttons to the pages and puts the connection page
    // on the stack. buildPages makes the other pages and hands them to
    // addPages(); it runs the first time one of them is asked for.
    PageNavigator(Ui::MainWindow *ui, ModbusSetting *connection, std::function<void()> buildPages);

    // Puts the pages other than the connection page on the stack.
    void addPages(const Pages &pages);
    bool hasPages() const { return m_pages.mainInterface != nullptr; }
    // Builds the pages unless they exist already.
    void ensurePages();
    // The stack index of the connection page.
    int connectionStackIndex() const { return m_connectionStackIndex; }

    // Makes page 0..5 current (7: the connection page) and enters it.
    void showPage(int index);
    // Page 0..5 (built if need be), or 7 the connection page; nullptr for
    // any other number.
    QWidget *page(int index);
    // Shows what was read for the page (the monitoring page: its curves).
    void refreshPage(int page);
    // Lays the pages out for the given width in pixels (pages not yet built
    // are laid out when they are).
    void adjustPages(int width);
    // Tab follows the title row's buttons, the navigation, the groups of the
    // page shown (top to bottom, left to right), then Disconnect.
    void orderTabStops();

private:
    Ui::MainWindow *ui;
    Pages m_pages = {};
    std::function<void()> m_buildPages;
    int m_stackIndex[6] = {};
    int m_connectionStackIndex = 0;
    QPushButton *m_navButtons[6] = {};
};

#endif // PAGENAVIGATOR_H
