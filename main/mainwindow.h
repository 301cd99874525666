#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "Modbus/settings.h"
#include "main/liveheader.h"

#include <QMainWindow>
#include <QRect>

QT_BEGIN_NAMESPACE
namespace Ui { class MainWindow; }
QT_END_NAMESPACE

class QTimer;
class ModbusSetting;
class MainInterface;
class BasicConfig;
class Application;
class WeightCal;
class DataTrans;
class TestMaintain;
class DisplayWeightThread;
class RefreshCycle;
class Appearance;
class PageNavigator;
class TrafficView;

// Width the pages lay out for when the window is not maximised; follows the
// operator's resizing and survives maximise/restore.
extern int g_normalWidth;

// The one top-level window: frameless, with its own title row, painted
// shadow and edge resizing. It composes the live weight header and status bar
// (LiveHeader), the page navigation and stack (PageNavigator) and the language
// and theme switcher (Appearance), and runs the link's life cycle.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Everything above this line, in window coordinates, drags the window.
    static constexpr int TitleHeight = 41;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Icon, no system frame, and the drop shadow drawn into a see-through
    // border around the window.
    void setupFrame();
    // Keeps the window within a screen of this available size: no larger
    // than it, and on a screen lower than the window's minimum as low as the
    // screen (its pages scroll).
    void fitScreen(const QSize &available);

    // Makes page 0..5 current (7: the connection page).
    void showPage(int index);

    // Page 0..5, or 7 the connection page.
    QWidget *page(int index) const;

    // Redraws the weight header from the device mirror.
    void showLiveValues(bool force);

    // Installs the catalogue of g_language and re-applies every visible text.
    void applyLanguage();
    // Applies the theme of g_uiMode for the language last applied.
    void applyStyle();

public slots:
    void InitLinkParam();
    void disconnectModbus();
    void onLinkUp();
    void onTick();

private slots:
    void initActions();
    void on_ButtonDisconnect_clicked();
    void on_Btn_Max_clicked();
    void on_Btn_Min_clicked();
    void on_Btn_Close_clicked();
    void on_Btn_ChangeColor_clicked();
    void on_Btn_ChangeLanguage_clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Builds the pages other than the connection page unless they exist.
    void buildPages();
    void adjustPages(int width);
    void resizeFromEdge(const QPoint &globalPos);
    void updateFrameMargin();
    void shutdown();
    // The label of the communication state in the present language.
    void showCommunication();

    Ui::MainWindow *ui;
    LiveHeader *m_header = nullptr;
    PageNavigator *m_navigator = nullptr;
    Appearance *m_appearance = nullptr;
    ModbusSetting *m_connectionPage;
    MainInterface *m_mainInterface = nullptr;
    BasicConfig *m_basicConfig = nullptr;
    Application *m_application = nullptr;
    WeightCal *m_weightCal = nullptr;
    DataTrans *m_dataTrans = nullptr;
    TestMaintain *m_testMaintain = nullptr;
    Settings m_settings;

    int m_connectionStackIndex = 0;
    bool m_buildingPages = false;
    bool m_pagesScheduled = false;
    int m_formMinimumHeight = 0; // the form's, before fitScreen

    bool m_dragging = false;
    bool m_resizing = false;
    int m_pressX = 0;
    int m_pressY = 0;
    int m_edge = 0;
    QPoint m_pressGlobal;
    QRect m_pressGeometry;
    QRect m_normalGeometry;

    Communication m_communication = CommunicationUnknown; // since the last link-up

    QTimer *m_disconnectTimer = nullptr;
    DisplayWeightThread *m_worker = nullptr;
    RefreshCycle *m_refresh = nullptr;
    TrafficView *m_traffic = nullptr;
};

#endif // MAINWINDOW_H
