#include "main/mainwindow.h"
#include "ui_mainwindow.h"

#include "App/application.h"
#include "App/basicconfig.h"
#include "App/datatrans.h"
#include "App/maininterface.h"
#include "App/testmaintain.h"
#include "App/weightcal.h"
#include "Excel/spreadsheet.h"
#include "Modbus/devicemirror.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "Modbus/registeraccess.h"
#include "Modbus/presentation.h"
#include "Modbus/refreshcycle.h"
#include "Modbus/registerblocks.h"
#include "main/errormessages.h"
#include "main/frameedges.h"

#include <QApplication>
#include <QDebug>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <QPaintEvent>
#include <QPainter>
#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTranslator>

int g_normalWidth = 1150;

namespace {

// Transparent border around the window that the drop shadow is drawn into.
constexpr int ShadowMargin = 9;

constexpr int GraceMs = 500;
// How long a page's note stays in the status bar.
constexpr int NoticeMs = 6000;
// After a failed poll a read may still be waiting for its time-out; give it
// the time to end before the client goes away.
constexpr int GraceAfterErrorMs = 2000;

const char *const NavSelectedStyle = "background-color:#00aaff;";
const char *const NavNormalStyle = "QPushButton:hover{background-color:#00aaff;}";

// "Communication-Normal" in a green that reads on the status bar of each theme
// (plain green on the dark grey is below 2.5:1).
const char *const ConnectNormalDark = "color: limegreen;"; // 5.8:1 on #353535
const char *const ConnectNormalLight = "color: darkgreen;"; // 6.0:1 on #E6E6E6
const char *const ConnectErrorStyle = "color: red;";
// White on a dark red reads over either theme.
const char *const NoticeStyle = "QLabel { color: white; background-color: #8b1a1a; border: 1px solid #d04040;"
                                " border-radius: 3px; padding: 4px 8px; }";

// Style sheet and language-button icon for each theme (dark, light) and language.
struct ThemeResources
{
    const char *styleSheet;
    const char *trace;
    const char *languageIcon;
};
const ThemeResources Themes[2][2] = {
    {{":/Qss/SheetStyle_EN.qss", "英文模式下设置了黑色", ":/images/EN.ico"},
     {":/Qss/SheetStyle.qss", "中文模式下设置了黑色", ":/images/CH.ico"}},
    {{":/Qss/SheetStyleWhite_EN.qss", "英文模式下设置了白色", ":/images/EN_b.ico"},
     {":/Qss/SheetStyleWhite.qss", "中文模式下设置了白色", ":/images/CH_b.ico"}},
};

const ThemeResources &themeResources(bool light, int language)
{
    return Themes[light ? 1 : 0][language != 0 ? 1 : 0];
}

// Puts the theme's style sheet on the application. Setting a sheet re-polishes
// every widget there is, even when it is the same sheet, so an unchanged one
// is left alone. False when the sheet cannot be read.
bool setApplicationSheet(const ThemeResources &theme)
{
    QFile file(QString::fromLatin1(theme.styleSheet));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "style sheet not found" << file.fileName();
        return false;
    }
    const QByteArray bytes = file.readAll();
    // Read as C text: a stray NUL ends the sheet.
    const QString sheet = QString::fromUtf8(bytes.constData());
    if (qApp->styleSheet() != sheet)
        qApp->setStyleSheet(sheet);
    return true;
}

// What the weight header showed last; kept for the life of the process.
struct HeaderCache
{
    quint32 unit = 0;
    quint32 decimalPoint = 0;
    quint32 status = 0;
    bool bitShown[12] = {};
    quint32 sensorVoltage = 0;
    quint32 errorBits = 0;
    QString weightText;
    QString weightLabelText;
};
HeaderCache s_header;

// The device reports these weights while it cannot show a value.
constexpr qint32 WeightUnavailable = 9999999;

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

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    // The sheet of the saved language and theme goes on before any widget
    // exists: put on afterwards, it would polish the whole window again.
    ModbusSetting::loadAppearance();
    setApplicationSheet(themeResources(g_uiMode != 0, g_language));
    // So is the catalogue: the forms come up in their language, and the
    // pages need not all translate themselves again before the first show.
    installCatalogue(g_language != 0 ? 1 : 0);

    ui->setupUi(this);

    // The pages come after the form so that setupUi's by-name connections can
    // only ever bind this window's slots to the window's own buttons.
    // Each page is made a child of the page stack at once: moved there later,
    // it would be polished a second time under its new parent. The connection
    // page is the exception: a QMainWindow makes itself a window whatever its
    // parent, and only the stack's addWidget (a re-parenting) turns it into a
    // child widget. It is small, so its second polish costs little.
    QWidget *stack = ui->stackedWidget;
    m_connectionPage = new ModbusSetting(this);
    m_mainInterface = new MainInterface(stack);
    m_basicConfig = new BasicConfig(stack);
    m_application = new Application(stack);
    m_weightCal = new WeightCal(stack);
    m_dataTrans = new DataTrans(stack);
    m_testMaintain = new TestMaintain(stack);
    // The workbook engine of the Test Maintain page's export and import.
    startSpreadsheet();

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
        const QKeySequence keys(int(Qt::CTRL) + Qt::Key_1 + i);
        auto *shortcut = new QShortcut(keys, m_navButtons[i]);
        connect(shortcut, &QShortcut::activated, m_navButtons[i], &QPushButton::click);
        m_navButtons[i]->setToolTip(keys.toString(QKeySequence::NativeText));
    }

    m_worker = new DisplayWeightThread(this);
    m_refresh = new RefreshCycle([this](int block) { return m_connectionPage->readBlock(block); }, this);
    connect(m_refresh, &RefreshCycle::headerRead, this, [this] { showLiveValues(false); });
    connect(m_refresh, &RefreshCycle::pageRead, this, &MainWindow::refreshPage);
    connect(m_refresh, &RefreshCycle::communicationChanged, this, [this](bool normal) {
        m_communication = normal ? CommunicationNormal : CommunicationError;
        showCommunication();
    });

    // Notes of the pages (an edit the device refused, and why) float just
    // above the status bar: the bar itself has no room to spare, and its
    // communication state is rewritten on every tick.
    m_noticeLabel = new QLabel(ui->centralwidget);
    m_noticeLabel->setObjectName(QStringLiteral("label_Notice"));
    m_noticeLabel->setStyleSheet(QString::fromLatin1(NoticeStyle));
    m_noticeLabel->setWordWrap(true);
    m_noticeLabel->hide();
    m_noticeTimer = new QTimer(this);
    m_noticeTimer->setSingleShot(true);
    connect(m_noticeTimer, &QTimer::timeout, m_noticeLabel, [this] {
        m_noticeLabel->hide();
        m_noticeLabel->clear();
    });
    for (ParameterPage *p : {static_cast<ParameterPage *>(m_basicConfig), static_cast<ParameterPage *>(m_weightCal),
                             static_cast<ParameterPage *>(m_application), static_cast<ParameterPage *>(m_dataTrans)})
        connect(p, &ParameterPage::noticeRaised, this, &MainWindow::showNotice);

    m_disconnectTimer = new QTimer(this);
    m_disconnectTimer->setObjectName(QStringLiteral("disconnectTimer"));
    m_disconnectTimer->setSingleShot(true);
    connect(m_disconnectTimer, &QTimer::timeout, this, &MainWindow::disconnectModbus);

    initActions();

    connect(ui->actionExit, &QAction::triggered, this, &QWidget::close);
    connect(m_connectionPage, &ModbusSetting::ConnectSuccessfulSignal, this, &MainWindow::onLinkUp);
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
    const QList<QWidget *> pages = {m_connectionPage, m_mainInterface, m_basicConfig, m_application,
                                    m_weightCal, m_dataTrans, m_testMaintain};
    for (QWidget *p : pages)
        p->setCursor(Qt::ArrowCursor);
}

MainWindow::~MainWindow()
{
    shutdown();
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
    // A window larger than a small screen would put its status bar and
    // Disconnect out of reach.
    if (const QScreen *s = screen())
        resize(size().boundedTo(s->availableGeometry().size()));
}

void MainWindow::paintEvent(QPaintEvent *event)
{
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
    switch (index) {
    case PageMainInterface:
        return m_mainInterface;
    case PageBasicConfig:
        return m_basicConfig;
    case PageWeightCal:
        return m_weightCal;
    case PageApplication:
        return m_application;
    case PageDataTrans:
        return m_dataTrans;
    case PageTestMaintain:
        return m_testMaintain;
    case PageConnection:
        return m_connectionPage;
    default:
        return nullptr;
    }
}

void MainWindow::initActions()
{
    setIconSet(false);

    ui->label_Icon->setPixmap(QPixmap(QStringLiteral(":/images/KDIcon1.png")));
    ui->label_Icon->setMaximumSize(25, 25);
    ui->label_Icon->setScaledContents(true);

    // The connection page has the room of the header, the navigation and the
    // status bar, which it hides; its height must not hold the other pages
    // to its own minimum on a small screen.
    m_connectionPage->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    m_connectionStackIndex = ui->stackedWidget->addWidget(m_connectionPage);
    m_stackIndex[PageMainInterface] = ui->stackedWidget->addWidget(m_mainInterface);
    m_stackIndex[PageBasicConfig] = ui->stackedWidget->addWidget(m_basicConfig);
    m_stackIndex[PageWeightCal] = ui->stackedWidget->addWidget(m_weightCal);
    m_stackIndex[PageApplication] = ui->stackedWidget->addWidget(m_application);
    m_stackIndex[PageDataTrans] = ui->stackedWidget->addWidget(m_dataTrans);
    m_stackIndex[PageTestMaintain] = ui->stackedWidget->addWidget(m_testMaintain);
    // A page's scroll area is no stop of its own for Tab: it shows nothing
    // when focused, and it scrolls to each editor that takes the focus.
    for (QScrollArea *area : ui->stackedWidget->findChildren<QScrollArea *>())
        area->setFocusPolicy(Qt::NoFocus);

    // The connection page reads setting.ini here, language and theme included.
    disconnectModbus();
    applyLanguage();
    applyStyle();
}

void MainWindow::installCatalogue(int language)
{
    if (m_translator && m_catalogueLanguage == language)
        return;
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        delete m_translator;
        m_translator = nullptr;
    }

    QString catalogue;
    if (language == 1) {
        catalogue = QStringLiteral(":/Translate/Language_CN.qm");
        qDebug() << "设置了中文";
    } else {
        catalogue = QStringLiteral(":/Translate/Language_EN.qm");
        qDebug() << "设置了英文";
    }
    // A catalogue that does not load leaves an empty translator: English.
    m_translator = new QTranslator(this);
    if (!m_translator->load(catalogue))
        qWarning() << "catalogue not loaded" << catalogue;
    m_catalogueLanguage = language;
    // Every widget that exists is told of the change and translates itself.
    QCoreApplication::installTranslator(m_translator);
}

void MainWindow::applyLanguage()
{
    m_language = g_language != 0 ? 1 : 0;
    installCatalogue(m_language);
    ui->Btn_ChangeLanguage->setIcon(
        QIcon(QString::fromLatin1(themeResources(m_lightMode, m_language).languageIcon)));
    m_connectionPage->saveSettings();

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
    m_lightMode = g_uiMode != 0;
    const ThemeResources &theme = themeResources(m_lightMode, m_language);
    qDebug() << theme.trace;
    ui->Btn_ChangeLanguage->setIcon(QIcon(QString::fromLatin1(theme.languageIcon)));
    m_connectionPage->saveSettings();
    m_mainInterface->setChartTheme(m_lightMode);
    setIconSet(m_lightMode);

    // The green of the communication state follows the theme at once.
    const QString darkGreen = QString::fromLatin1(ConnectNormalDark);
    const QString lightGreen = QString::fromLatin1(ConnectNormalLight);
    const QString shown = ui->label_ConnectState->styleSheet();
    if (shown == darkGreen || shown == lightGreen)
        ui->label_ConnectState->setStyleSheet(connectNormalStyle());

    setApplicationSheet(theme);
}

QString MainWindow::connectNormalStyle() const
{
    return QString::fromLatin1(m_lightMode ? ConnectNormalLight : ConnectNormalDark);
}

void MainWindow::setIconSet(bool light)
{
    struct IconRow {
        QPushButton *button;
        const char *dark;
        const char *light;
    };
    const IconRow rows[] = {
        {ui->Btn_Max, ":/images/MAX.ico", ":/images/MAX_b.ico"},
        {ui->Btn_Min, ":/images/MIN1.ico", ":/images/MIN1_b.ico"},
        {ui->Btn_Close, ":/images/CLOSE1.ico", ":/images/CLOSE_b.ico"},
        {ui->Btn_ChangeColor, ":/images/ChangeColor.ico", ":/images/ChangeColor2.ico"},
        {ui->ButtonMainInterface, ":/images/MainInter.ico", ":/images/MainInter_black.ico"},
        {ui->ButtonBasicConfig, ":/images/BasicConfig.ico", ":/images/BasicConfig_black.ico"},
        {ui->ButtonWeightCal, ":/images/WeightCAL.ico", ":/images/WeightCAL_black.ico"},
        {ui->ButtonApplication, ":/images/Application.ico", ":/images/Application_black.ico"},
        {ui->ButtonDataTrans, ":/images/DataTrans.ico", ":/images/DataTrans_black.ico"},
        {ui->ButtonTestMaintain, ":/images/TestMain.ico", ":/images/TestMain_black.ico"},
    };
    for (const IconRow &row : rows)
        row.button->setIcon(QIcon(QString::fromLatin1(light ? row.light : row.dark)));
    // These two pictures are drawn with a different margin than the others.
    ui->ButtonApplication->setIconSize(QSize(30, 30));
    ui->ButtonDataTrans->setIconSize(QSize(20, 20));
}

void MainWindow::showPage(int index)
{
    if ((index < PageMainInterface || index > PageTestMaintain) && index != PageConnection) {
        qWarning() << "showPage: no page" << index;
        return;
    }

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
        m_mainInterface->enterPage();
        break;
    case PageBasicConfig:
        m_basicConfig->enterPage();
        break;
    case PageWeightCal:
        m_weightCal->enterPage();
        break;
    case PageApplication:
        m_application->enterPage();
        break;
    case PageDataTrans:
        m_dataTrans->enterPage();
        break;
    case PageTestMaintain:
        m_testMaintain->enterPage();
        break;
    default:
        qDebug() << "e_ModbusSetting InterfaceInit";
        m_connectionPage->initInterface();
        break;
    }

    orderTabStops();

    // The reset password holds for one visit of Test Maintain only.
    if (index != PageTestMaintain)
        m_testMaintain->resetUnlock();
}

void MainWindow::onLinkUp()
{
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

    m_refresh->pollBlock(BlockWeightCal);
    m_refresh->pollBlockGroup(GroupSystemInfo);
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
    switch (m_communication) {
    case CommunicationUnknown:
        ui->label_ConnectState->clear();
        break;
    case CommunicationNormal:
        showConnectState(tr("Communication-Normal"), connectNormalStyle());
        break;
    case CommunicationError:
        showConnectState(tr("Communication-Error"), QString::fromLatin1(ConnectErrorStyle));
        break;
    }
}

void MainWindow::showConnectState(const QString &text, const QString &style)
{
    // Setting a style sheet re-polishes the label even when it is the same
    // one; on every tick that was most of the cost of an idle link.
    if (ui->label_ConnectState->text() != text)
        ui->label_ConnectState->setText(text);
    if (ui->label_ConnectState->styleSheet() != style)
        ui->label_ConnectState->setStyleSheet(style);
}

void MainWindow::showNotice(const QString &text)
{
    m_noticeLabel->setText(text);
    const int margin = 8;
    // One line when it fits, wrapped at the window's width otherwise.
    const int padding = 2 * (8 + 1) + 16; // the style sheet's padding and border, and slack
    const int widest = qMax(200, ui->centralwidget->width() - 2 * margin);
    const int width = qMin(widest, m_noticeLabel->fontMetrics().horizontalAdvance(text) + padding);
    m_noticeLabel->setFixedSize(width, m_noticeLabel->heightForWidth(width));
    const QPoint bar = ui->widget_down->mapTo(ui->centralwidget, QPoint(0, 0));
    m_noticeLabel->move(bar.x() + margin, qMax(0, bar.y() - m_noticeLabel->height() - 4));
    m_noticeLabel->raise();
    m_noticeLabel->show();
    m_noticeTimer->start(NoticeMs);
}

void MainWindow::refreshPage(int page)
{
    switch (page) {
    case PageMainInterface:
        m_mainInterface->updateDraw();
        break;
    case PageBasicConfig:
        m_basicConfig->refreshFromMirror(false);
        break;
    case PageWeightCal:
        m_weightCal->refreshFromMirror(false);
        break;
    case PageApplication:
        m_application->refreshFromMirror(false);
        break;
    case PageDataTrans:
        m_dataTrans->refreshFromMirror(false);
        break;
    case PageTestMaintain:
        m_testMaintain->refreshFromMirror(false);
        break;
    default:
        break;
    }
}

void MainWindow::showStatusBits(quint32 status, bool force)
{
    for (int bit = 0; bit < 12; ++bit) {
        const bool set = status & (1u << bit);
        // Bit 0 acts on a change only; a set higher bit acts on every change
        // of the word.
        const bool act = force || set != s_header.bitShown[bit] || (bit != 0 && set);
        if (!act)
            continue;
        s_header.bitShown[bit] = set;
        switch (bit) {
        case 0:
            ui->Lab_Stable->setStyleSheet(set ? QStringLiteral("border-image: url(:/images/Stable.png);")
                                              : QStringLiteral("border-image: None;"));
            break;
        case 1:
            ui->Lab_Zero->setStyleSheet(
                set ? QStringLiteral("border-image: url(:/images/Zero1.png); background-color:rgb(46,47,48);")
                    : QStringLiteral("border-image: None;"));
            break;
        case 9:
            if (set)
                ui->label_NetFlag->setText(tr("NET"));
            else
                ui->label_NetFlag->clear();
            break;
        default:
            break;
        }
    }
}

void MainWindow::showLiveValues(bool force)
{
    const LiveFields &live = g_mirror.live;
    if (live.decimalPoint != s_header.decimalPoint || live.unit != s_header.unit) {
        s_header.decimalPoint = live.decimalPoint;
        s_header.unit = live.unit;
    }
    const int decimals = clampedDecimals(s_header.decimalPoint);
    const QString unitName = UnitNames.value(int(s_header.unit));

    if (live.status != s_header.status || force) {
        s_header.status = live.status;
        showStatusBits(live.status, force);
    }

    // An overload message (status bits 4 to 7, the lowest set one) stands in
    // for the weight for as long as its bit is set.
    static const char *const overloadTexts[] = {
        QT_TR_NOOP("Over Full Scale"), QT_TR_NOOP("Weight Under Limit"), QT_TR_NOOP("Loadcell Over"),
        QT_TR_NOOP("Loadcell Under")};
    const quint32 overload = (live.status >> 4) & 0xF;
    const qint32 weight = qint32(live.weight);
    if (overload != 0)
        s_header.weightText = tr(overloadTexts[qCountTrailingZeroBits(overload)]);
    else if (weight != WeightUnavailable && weight != -WeightUnavailable)
        s_header.weightText = formatScaled(weight, decimals) + QLatin1Char(' ') + unitName;
    if (force || s_header.weightLabelText != s_header.weightText) {
        s_header.weightLabelText = s_header.weightText;
        ui->labelweight_1->setText(s_header.weightText);
    }

    if (live.sensorVoltage != s_header.sensorVoltage || force) {
        s_header.sensorVoltage = live.sensorVoltage;
        ui->label_Mv_1->setText(formatScaled(qint32(live.sensorVoltage), 4) + QStringLiteral(" mV"));
    }

    float flowRate;
    static_assert(sizeof flowRate == sizeof live.flowRate, "flow rate travels as a single-precision float");
    std::memcpy(&flowRate, &live.flowRate, sizeof flowRate);
    ui->label_FlowRate_1->setText(QStringLiteral("%1 %2/%3")
                                      .arg(QString::number(double(flowRate), 'f', decimals), unitName,
                                           TimeUnitNames.value(int(g_mirror.weightCal[16]))));

    if (live.errorBits != s_header.errorBits || force) {
        s_header.errorBits = live.errorBits;
        // The language the window shows, not the one setting.ini last held.
        const ErrorLine line = errorLine(live.errorBits, m_language != 0);
        ui->label_ErrorMessage_1->setText(line.text);
        if (line.fontSizePx > 0)
            ui->label_ErrorMessage_1->setStyleSheet(QStringLiteral("font-size: %1px;").arg(line.fontSizePx));
    }
}

void MainWindow::InitLinkParam()
{
    m_settings = m_connectionPage->settings();

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
        ui->label_port->setText(QStringLiteral("%1:<a style='color:#00aaff;'>%2-%3-%4-%5</a>")
                                    .arg(m_settings.SerialNum.toHtmlEscaped(),
                                         QString::number(m_settings.baud),
                                         QString::number(m_settings.dataBits), parity,
                                         QString::number(m_settings.stopBits)));
        ui->label_protol->setText(QStringLiteral("Modbus RTU"));
        ui->label_SlaveID->setText(QString::number(m_settings.slaveId));
    } else {
        ui->label_protol->setText(QStringLiteral("Modbus TCP"));
        ui->label_port->setText(m_settings.EditIP.toHtmlEscaped());
        ui->label_SlaveTitle->setText(tr("Port: "));
        ui->label_SlaveID->setText(m_settings.EditPort);
    }
    ui->label_DwordFormat->setText(m_settings.dwordFormat == 0 ? QStringLiteral("AB-CD")
                                                               : QStringLiteral("CD-AB"));
    ui->label_Delay->setText(QStringLiteral("%1ms").arg(m_settings.responseTime));
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
    disconnectClient();
    m_connectionPage->initInterface();
    ui->WeightDisplay->hide();
    ui->widget->hide();
    ui->widget_down->hide();
    ui->stackedWidget->setCurrentIndex(m_connectionStackIndex);
    // No ticks without a link; the next link-up lets them run again.
    g_tickPending = true;
    setLinkClosing(false);
    emit linkDown();
}

void MainWindow::on_ButtonMainInterface_clicked()
{
    showPage(PageMainInterface);
}

void MainWindow::on_ButtonBasicConfig_clicked()
{
    showPage(PageBasicConfig);
}

void MainWindow::on_ButtonWeightCal_clicked()
{
    showPage(PageWeightCal);
}

void MainWindow::on_ButtonApplication_clicked()
{
    showPage(PageApplication);
}

void MainWindow::on_ButtonDataTrans_clicked()
{
    showPage(PageDataTrans);
}

void MainWindow::on_ButtonTestMaintain_clicked()
{
    showPage(PageTestMaintain);
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
    g_uiMode = m_lightMode ? 0 : 1;
    applyStyle();
}

void MainWindow::on_Btn_ChangeLanguage_clicked()
{
    g_language = m_language != 0 ? 0 : 1;
    applyLanguage();
    applyStyle();
}

void MainWindow::adjustPages(int width)
{
    // The pages get what is left of the window width inside the shadow
    // border and beside their vertical scroll bar.
    const QMargins frame = contentsMargins();
    width -= frame.left() + frame.right() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_mainInterface->adjustLayout(width);
    m_basicConfig->adjustLayout(width);
    m_weightCal->adjustLayout(width);
    m_application->adjustLayout(width);
    m_dataTrans->adjustLayout(width);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // Whatever changed the size (the first show, a small screen, a window
    // manager), the pages follow it.
    adjustPages(width());
    orderTabStops();
}

void MainWindow::orderTabStops()
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
        setTabOrder(chain.at(i - 1), chain.at(i));
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
    disconnectClient();
    stopSpreadsheet();
    qDebug() << "destroy------";
}
