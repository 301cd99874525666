#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "Modbus/settings.h"

#include <QMainWindow>
#include <QRect>

QT_BEGIN_NAMESPACE
namespace Ui { class MainWindow; }
QT_END_NAMESPACE

class QLabel;
class QPushButton;
class QTimer;
class QTranslator;
class ModbusSetting;
class MainInterface;
class BasicConfig;
class Application;
class WeightCal;
class DataTrans;
class TestMaintain;
class DisplayWeightThread;
class RefreshCycle;

// Width the pages lay out for when the window is not maximised; follows the
// operator's resizing and survives maximise/restore.
extern int g_normalWidth;

// The one top-level window: frameless, with its own title row, the live
// weight header, the page navigation, the page stack and a status bar.
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

    // Makes page 0..5 current (7: the connection page).
    void showPage(int index);

    // Page 0..5, or 7 the connection page.
    QWidget *page(int index) const;

    // Redraws the weight header from the device mirror.
    void showLiveValues(bool force);

    // Installs the catalogue of g_language and re-applies every visible text.
    void applyLanguage();
    void installCatalogue(int language);
    // Applies the theme of g_uiMode for the language last applied.
    void applyStyle();

signals:
    // The link was torn down and the connection page is showing again.
    void linkDown();

public slots:
    void InitLinkParam();
    void disconnectModbus();
    void onLinkUp();
    void onTick();

private slots:
    void initActions();
    void on_ButtonDisconnect_clicked();
    void on_ButtonMainInterface_clicked();
    void on_ButtonBasicConfig_clicked();
    void on_ButtonWeightCal_clicked();
    void on_ButtonApplication_clicked();
    void on_ButtonDataTrans_clicked();
    void on_ButtonTestMaintain_clicked();
    void on_Btn_Max_clicked();
    void on_Btn_Min_clicked();
    void on_Btn_Close_clicked();
    void on_Btn_ChangeColor_clicked();
    void on_Btn_ChangeLanguage_clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setIconSet(bool light);
    QString connectNormalStyle() const;
    void adjustPages(int width);
    // Tab follows the groups of the page shown, top to bottom, left to right.
    void orderTabStops();
    void resizeFromEdge(const QPoint &globalPos);
    void updateFrameMargin();
    void shutdown();
    void refreshPage(int page);
    // The label of the communication state in the present language.
    void showCommunication();
    void showConnectState(const QString &text, const QString &style);
    // A page's note in the status bar, for a few seconds.
    void showNotice(const QString &text);
    void showStatusBits(quint32 status, bool force);

    Ui::MainWindow *ui;
    QLabel *m_noticeLabel = nullptr;
    QTimer *m_noticeTimer = nullptr;
    ModbusSetting *m_connectionPage;
    MainInterface *m_mainInterface;
    BasicConfig *m_basicConfig;
    Application *m_application;
    WeightCal *m_weightCal;
    DataTrans *m_dataTrans;
    TestMaintain *m_testMaintain;
    Settings m_settings;

    int m_stackIndex[6] = {};
    int m_connectionStackIndex = 0;
    QPushButton *m_navButtons[6] = {};

    bool m_dragging = false;
    bool m_resizing = false;
    int m_pressX = 0;
    int m_pressY = 0;
    int m_edge = 0;
    QPoint m_pressGlobal;
    QRect m_pressGeometry;
    QRect m_normalGeometry;

    QTranslator *m_translator = nullptr;
    int m_catalogueLanguage = -1; // the language of m_translator
    // The language last applied (0 English, 1 Chinese): what the pages and
    // the header show, even when g_language was re-read from setting.ini.
    int m_language = 0;
    bool m_lightMode = false;
    enum Communication { CommunicationUnknown, CommunicationNormal, CommunicationError };
    Communication m_communication = CommunicationUnknown; // since the last link-up

    QTimer *m_disconnectTimer = nullptr;
    DisplayWeightThread *m_worker = nullptr;
    RefreshCycle *m_refresh = nullptr;
};

#endif // MAINWINDOW_H
