#include "main/mainwindow.h"
#include "ui_mainwindow.h"

#include "App/application.h"
#include "App/basicconfig.h"
#include "App/datatrans.h"
#include "App/maininterface.h"
#include "App/testmaintain.h"
#include "App/weightcal.h"
#include "Excel/spreadsheet.h"
#include "Modbus/devicelink.h"
#include "Modbus/devicemirror.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "Modbus/registeraccess.h"
#include "Modbus/refreshcycle.h"
#include "Modbus/registerblocks.h"
#include "main/appearance.h"
#include "main/frameedges.h"
#include "main/liveheader.h"
#include "main/pagenavigator.h"
#include "main/trafficview.h"

#include <QApplication>
#include <QDebug>

#include <QPaintEvent>
#include <QPainter>
#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

int g_normalWidth = 1150;

namespace {

// Transparent border around the window that the drop shadow is drawn into.
constexpr int ShadowMargin = 9;

constexpr int GraceMs = 500;
// After a failed poll a read may still be waiting for its time-out; give it
// the time to end before the client goes away.
constexpr int GraceAfterErrorMs = 2000;

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    // The sheet and the catalogue of the saved language and theme go on
    // before any widget exists (see Appearance::applySavedSheet).
    Appearance::applySavedSheet(this);

    ui->setupUi(this);
    m_formMinimumHeight = minimumHeight();

    // The pages come after the form so that setupUi's by-name connections can
    // only ever bind this window's slots to the window's own buttons.
    // The connection page, the first one shown, is built now; the others when
    // first needed (buildPages), at the latest right after the first show.
    // A QMainWindow makes itself a window whatever its parent, and only the
    // stack's addWidget (a re-parenting) turns the connection page into a
    // child widget. It is small, so its second polish costs little.
    m_connectionPage = new ModbusSetting(this);
    // The workbook engine of the Test Maintain page's export and import.
    startSpreadsheet();

    m_header = new LiveHeader(ui);
    ui->widget_down->installEventFilter(this);
    m_navigator = new PageNavigator(ui, m_connectionPage, [this] { buildPages(); });
    m_appearance = new Appearance(ui, m_connectionPage, this);
    m_traffic = TrafficView::attach(this, ui->Btn_ChangeLanguage, ui->widget_down);

    m_worker = new DisplayWeightThread(this);
    m_refresh = new RefreshCycle([](Block block) { return DeviceLink::instance().readBlock(block); }, this);
    connect(m_refresh, &RefreshCycle::headerRead, this, [this] { showLiveValues(false); });
    connect(m_refresh, &RefreshCycle::pageRead, this, [this](int page) { m_navigator->refreshPage(page); });
    connect(m_refresh, &RefreshCycle::communicationChanged, this, [this](bool normal) {
        m_communication = normal ? CommunicationNormal : CommunicationError;
        showCommunication();
    });

    m_disconnectTimer = new QTimer(this);
    m_disconnectTimer->setObjectName(QStringLiteral("disconnectTimer"));
    m_disconnectTimer->setSingleShot(true);
    connect(m_disconnectTimer, &QTimer::timeout, this, &MainWindow::disconnectModbus);

    initActions();

    connect(ui->actionExit, &QAction::triggered, this, &QWidget::close);
    connect(m_connectionPage, &ModbusSetting::ConnectSuccessfulSignal, this, &MainWindow::onLinkUp);
    // Built in a wait of the connection or the scan, the pages would hold up
    // its replies until the time-out: they come first.
    connect(m_connectionPage, &ModbusSetting::linkStarting, this, &MainWindow::buildPages);
    connect(m_worker, &DisplayWeightThread::isdone, this, &MainWindow::onTick, Qt::QueuedConnection);

    // Moves without a button only reach widgets that track the mouse; the
    // edge cursors need them wherever the frame bands lie over the chrome.
    setMouseTracking(true);
    const QList<QWidget *> tracked = {ui->centralwidget, ui->widget_title, ui->WeightDisplay,
                                      ui->widget_Indicators, ui->widget_Weight, ui->widget_Mv,
                                      ui->widget_FlowRate, ui->widget_ErrorMessage, ui->widget,
                                      ui->widget_down};
    for (QWidget *w : tracked)
        w->setMouseTracking(true);

    // A resize cursor set on the window must not linger over the pages.
    m_connectionPage->setCursor(Qt::ArrowCursor);
}

void MainWindow::buildPages()
{
    if (m_navigator->hasPages() || m_buildingPages)
        return;
    m_buildingPages = true;
    // Each page is made a child of the page stack at once: moved there later,
    // it would be polished a second time under its new parent. The forms come
    // up in the language and under the style sheet applied last.
    QWidget *stack = ui->stackedWidget;
    m_mainInterface = new MainInterface(stack);
    m_basicConfig = new BasicConfig(stack);
    m_application = new Application(stack);
    m_weightCal = new WeightCal(stack);
    m_dataTrans = new DataTrans(stack);
    m_testMaintain = new TestMaintain(stack);
    m_navigator->addPages({m_connectionPage, m_mainInterface, m_basicConfig, m_application, m_weightCal,
                           m_dataTrans, m_testMaintain});
    m_appearance->setMainInterface(m_mainInterface);

    for (ParameterPage *p : {static_cast<ParameterPage *>(m_basicConfig), static_cast<ParameterPage *>(m_weightCal),
                             static_cast<ParameterPage *>(m_application), static_cast<ParameterPage *>(m_dataTrans)})
        connect(p, &ParameterPage::noticeRaised, this,
                [this](const QString &text) { m_header->showNotice(text); });

    const QList<QWidget *> pages = {m_mainInterface, m_basicConfig, m_application,
                                    m_weightCal, m_dataTrans, m_testMaintain};
    for (QWidget *p : pages)
        p->setCursor(Qt::ArrowCursor);
    adjustPages(isMaximized() ? QGuiApplication::primaryScreen()->geometry().width() : width());
    m_buildingPages = false;
}

MainWindow::~MainWindow()
{
    shutdown();
    delete m_appearance;
    delete m_navigator;
    delete m_header;
    delete ui;
}

void MainWindow::setupFrame()
{
    setWindowIcon(QIcon(QStringLiteral(":/images/KDIcon.ico")));
    // Before the native window exists the flag only needs recording: the
    // window is made with it. setWindowFlags would re-parent the window onto
    // itself and polish every widget again.
    if (testAttribute(Qt::WA_WState_Created))
        setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    else
        overrideWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    // The shadow is painted into the see-through border (paintEvent) rather
    // than by a QGraphicsDropShadowEffect: an effect on the window renders the
    // whole window off-screen again for every label or curve that changes,
    // which multiplied the CPU the live header and curves cost.
    setAttribute(Qt::WA_TranslucentBackground);
    updateFrameMargin();
    if (const QScreen *s = screen())
        fitScreen(s->availableGeometry().size());
}

void MainWindow::fitScreen(const QSize &available)
{
    // A window larger than a small screen would put its status bar and
    // Disconnect out of reach, on a 1024 x 600 panel too.
    setMinimumHeight(qMin(m_formMinimumHeight, available.height()));
    resize(size().boundedTo(available));
}

void MainWindow::paintEvent(QPaintEvent *event)
{
    // The other pages are built once the window has been painted, unless
    // something needed them earlier: the operator sees the connection page
    // meanwhile.
    if (!m_pagesScheduled && !m_navigator->hasPages()) {
        m_pagesScheduled = true;
        QTimer::singleShot(0, this, &MainWindow::buildPages);
    }
    const int margin = contentsMargins().left();
    if (margin <= 0) {
        QMainWindow::paintEvent(event);
        return;
    }
    // A black edge fading outwards, the look of a blurred shadow at offset 0.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < margin; ++i) {
        const int step = margin - i; // 1 at the window's frame, margin outermost
        const int alpha = 150 * (margin - step + 1) * (margin - step + 1) / (margin * margin);
        painter.setPen(QColor(0, 0, 0, alpha));
        painter.drawRoundedRect(QRectF(rect()).adjusted(i + 0.5, i + 0.5, -i - 0.5, -i - 0.5), step, step);
    }
}

QWidget *MainWindow::page(int index) const
{
    return m_navigator->page(index);
}

void MainWindow::initActions()
{
    ui->label_Icon->setPixmap(QPixmap(QStringLiteral(":/images/KDIcon1.png")));
    ui->label_Icon->setMaximumSize(25, 25);
    ui->label_Icon->setScaledContents(true);

    m_connectionStackIndex = m_navigator->connectionStackIndex();

    // The connection page reads setting.ini here, language and theme included.
    disconnectModbus();
    applyLanguage();
    applyStyle();
}

void MainWindow::applyLanguage()
{
    m_appearance->installLanguage();
    ui->retranslateUi(this);
    // The form's own text of the state label is no state at all.
    showCommunication();
    // Entering the connection page re-reads setting.ini, where a fixed
    // start-up choice (Config/Startup) would undo the choice just applied.
    const int language = g_language;
    const int uiMode = g_uiMode;
    showPage(g_pageIndex);
    g_language = language;
    g_uiMode = uiMode;
    InitLinkParam();
    showLiveValues(true);
}

void MainWindow::applyStyle()
{
    m_header->setLightTheme(g_uiMode != 0);
    m_appearance->applyTheme();
}

void MainWindow::showPage(int index)
{
    m_navigator->showPage(index);
}

void MainWindow::onLinkUp()
{
    buildPages();
    ui->WeightDisplay->show();
    ui->widget->show();
    ui->widget_down->show();
    InitLinkParam();
    // The pages show nothing of the previous device until they read this one.
    forgetDevice();
    // A new link starts with a clean communication state.
    m_refresh->resetFailures();
    g_commError = false;
    m_communication = CommunicationUnknown;
    showCommunication();

    m_refresh->pollBlock(Block::WeightCal);
    m_refresh->pollBlockGroup(BlockGroup::SystemInfo);
    m_traffic->checkWordOrder();
    showLiveValues(true);
    showPage(PageMainInterface);
    m_worker->start(QThread::InheritPriority);
    g_tickPending = false;
}

void MainWindow::onTick()
{
    m_refresh->tick();
}

void MainWindow::showCommunication()
{
    m_header->showCommunication(m_communication);
    m_header->fitStatusBar();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->widget_down && event->type() == QEvent::Resize)
        m_header->fitStatusBar();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showLiveValues(bool force)
{
    m_header->showLiveValues(force, m_appearance->language());
}

void MainWindow::InitLinkParam()
{
    m_settings = m_connectionPage->settings();

    QString lineSettings; // none for TCP
    if (m_settings.connectType == 0) {
        ui->label_SlaveTitle->show();
        ui->label_SlaveID->show();
        // A TCP link before this one left the port title here.
        ui->label_SlaveTitle->setText(tr("Slave ID:"));

        QString parity;
        switch (m_settings.parity) {
        case 0:
            parity = QStringLiteral("N");
            break;
        case 2:
            parity = QStringLiteral("E");
            break;
        case 3:
            parity = QStringLiteral("O");
            break;
        default:
            break;
        }
        lineSettings = QStringLiteral("%1-%2-%3-%4")
                           .arg(QString::number(m_settings.baud), QString::number(m_settings.dataBits), parity,
                                QString::number(m_settings.stopBits));
        ui->label_protol->setText(QStringLiteral("Modbus RTU"));
        ui->label_SlaveID->setText(QString::number(m_settings.slaveId));
    } else {
        ui->label_protol->setText(QStringLiteral("Modbus TCP"));
        ui->label_SlaveTitle->setText(tr("Port: "));
        ui->label_SlaveID->setText(m_settings.EditPort);
    }
    ui->label_DwordFormat->setText(m_settings.dwordFormat == 0 ? QStringLiteral("AB-CD")
                                                               : QStringLiteral("CD-AB"));
    ui->label_Delay->setText(QStringLiteral("%1ms").arg(m_settings.responseTime));
    // Last: the bar is fitted with all of its texts in place.
    m_header->setLinkName(m_settings.connectType == 0 ? m_settings.SerialNum : m_settings.EditIP, lineSettings);
}

void MainWindow::on_ButtonDisconnect_clicked()
{
    // Waiting reads give up and no new poll starts while the flag is up; the
    // client itself goes only when the grace period is over. A second click
    // restarts the single-shot timer, so the teardown still runs once.
    setLinkClosing(true);
    m_disconnectTimer->start(g_commError ? GraceAfterErrorMs : GraceMs);
}

void MainWindow::disconnectModbus()
{
    m_disconnectTimer->stop();
    g_pageIndex = PageConnection;
    DeviceLink::instance().close();
    m_connectionPage->initInterface();
    ui->WeightDisplay->hide();
    ui->widget->hide();
    ui->widget_down->hide();
    ui->stackedWidget->setCurrentIndex(m_connectionStackIndex);
    // No ticks without a link; the next link-up lets them run again.
    g_tickPending = true;
    setLinkClosing(false);
}

void MainWindow::on_Btn_Max_clicked()
{
    if (isMaximized()) {
        showNormal();
        // Without a window manager nothing restores the old geometry for us.
        if (m_normalGeometry.isValid())
            setGeometry(m_normalGeometry);
        adjustPages(g_normalWidth);
    } else {
        m_normalGeometry = geometry();
        // Geometry first: resizing a window that is already maximised drops
        // its maximised state again.
        if (QScreen *s = screen())
            setGeometry(s->availableGeometry());
        showMaximized();
        adjustPages(QGuiApplication::primaryScreen()->geometry().width());
    }
}

void MainWindow::on_Btn_Min_clicked()
{
    showMinimized();
}

void MainWindow::on_Btn_Close_clicked()
{
    close();
}

void MainWindow::on_Btn_ChangeColor_clicked()
{
    // Flip what is shown: g_uiMode may have been re-read from a fixed start-up
    // choice in setting.ini since it was applied.
    g_uiMode = m_appearance->isLight() ? 0 : 1;
    applyStyle();
}

void MainWindow::on_Btn_ChangeLanguage_clicked()
{
    g_language = m_appearance->language() != 0 ? 0 : 1;
    applyLanguage();
    applyStyle();
}

void MainWindow::adjustPages(int width)
{
    // The pages get what is left of the window width inside the shadow
    // border and beside their vertical scroll bar.
    const QMargins frame = contentsMargins();
    width -= frame.left() + frame.right() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_navigator->adjustPages(width);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (!m_navigator)
        return; // still being built
    // Whatever changed the size (the first show, a small screen, a window
    // manager), the pages follow it.
    adjustPages(width());
    m_navigator->orderTabStops();
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    // A maximised window fills the screen: nothing to drag or resize.
    if (event->button() != Qt::LeftButton || isMaximized()) {
        QMainWindow::mousePressEvent(event);
        return;
    }

    const QPoint press = event->globalPos() - pos();
    m_pressX = press.x();
    m_pressY = press.y();
    m_edge = edgeCode(event->pos(), width(), height());
    if (m_edge != EdgeNone) {
        m_pressX = event->pos().x();
        m_pressY = event->pos().y();
        m_pressGlobal = event->globalPos();
        m_pressGeometry = geometry();
        m_resizing = true;
        m_dragging = false;
    } else {
        m_dragging = m_pressY < TitleHeight;
    }
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (m_resizing) {
        resizeFromEdge(event->globalPos());
        return;
    }
    if (m_dragging) {
        move(event->globalPos() - QPoint(m_pressX, m_pressY));
        return;
    }
    if (event->buttons() == Qt::NoButton && !isMaximized())
        setCursor(cursorForEdge(edgeCode(event->pos(), width(), height())));
    QMainWindow::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    m_resizing = false;
    QMainWindow::mouseReleaseEvent(event);
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    const int languageLeft = ui->Btn_ChangeLanguage->mapTo(this, QPoint(0, 0)).x();
    if (event->pos().y() < TitleHeight && event->pos().x() <= languageLeft)
        on_Btn_Max_clicked();
    qDebug() << "BtnPos" << pos();
}

void MainWindow::resizeFromEdge(const QPoint &globalPos)
{
    // Work from the geometry at the press: the window moves under the mouse
    // when the top or left edge is dragged, so local positions drift.
    const QPoint d = globalPos - m_pressGlobal;
    int left = m_pressGeometry.left();
    int top = m_pressGeometry.top();
    int right = m_pressGeometry.right();
    int bottom = m_pressGeometry.bottom();

    const bool movesLeft = m_edge == EdgeLeft || m_edge == EdgeTopLeft || m_edge == EdgeBottomLeft;
    const bool movesRight = m_edge == EdgeRight || m_edge == EdgeTopRight || m_edge == EdgeBottomRight;
    const bool movesTop = m_edge == EdgeTop || m_edge == EdgeTopLeft || m_edge == EdgeTopRight;
    const bool movesBottom = m_edge == EdgeBottom || m_edge == EdgeBottomLeft || m_edge == EdgeBottomRight;
    if (movesLeft)
        left += d.x();
    if (movesRight)
        right += d.x();
    if (movesTop)
        top += d.y();
    if (movesBottom)
        bottom += d.y();

    // At the minimum size the dragged edge stops; the opposite one stays put.
    const QSize minSize = minimumSize();
    if (right - left + 1 < minSize.width()) {
        if (movesLeft)
            left = right - minSize.width() + 1;
        else
            right = left + minSize.width() - 1;
    }
    if (bottom - top + 1 < minSize.height()) {
        if (movesTop)
            top = bottom - minSize.height() + 1;
        else
            bottom = top + minSize.height() - 1;
    }

    setGeometry(QRect(QPoint(left, top), QPoint(right, bottom)));
    g_normalWidth = right - left + 1;
    adjustPages(g_normalWidth);
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange) {
        updateFrameMargin();
        if (isMaximized())
            setCursor(Qt::ArrowCursor);
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::showEvent(QShowEvent *event)
{
    updateFrameMargin();
    QMainWindow::showEvent(event);
}

void MainWindow::updateFrameMargin()
{
    // The shadow needs room outside the opaque frame, which only exists when
    // the window background is see-through; a maximised window has no border.
    const bool shadow = testAttribute(Qt::WA_TranslucentBackground)
                        && !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
    const int margin = shadow ? ShadowMargin : 0;
    setContentsMargins(margin, margin, margin, margin);
    // The title row keeps ending at TitleHeight, where dragging stops.
    ui->widget_title->setFixedHeight(TitleHeight - margin);
    update();
}

void MainWindow::shutdown()
{
    m_worker->stop();
    DeviceLink::instance().close();
    stopSpreadsheet();
    qDebug() << "destroy------";
}
