#include "main/liveheader.h"
#include "ui_mainwindow.h"

#include "Modbus/devicemirror.h"
#include "Modbus/presentation.h"
#include "main/errormessages.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLayout>
#include <QStyle>
#include <QTimer>

#include <cstring>

namespace {

// How long a page's note stays in the status bar.
constexpr int NoticeMs = 6000;

// "Communication-Normal" in a green that reads on the status bar of each theme
// (plain green on the dark grey is below 2.5:1).
const char *const ConnectNormalDark = "color: limegreen;"; // 5.8:1 on #353535
const char *const ConnectNormalLight = "color: darkgreen;"; // 6.0:1 on #E6E6E6
const char *const ConnectErrorStyle = "color: red;";
// White on a dark red reads over either theme.
const char *const NoticeStyle = "QLabel { color: white; background-color: #8b1a1a; border: 1px solid #d04040;"
                                " border-radius: 3px; padding: 4px 8px; }";

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

// The line in the status bar: a port's name and its settings in blue, or a
// host.
QString linkText(const QString &name, const QString &settings)
{
    if (settings.isEmpty())
        return name.toHtmlEscaped();
    return QStringLiteral("%1:<a style='color:#00aaff;'>%2</a>").arg(name.toHtmlEscaped(), settings);
}

} // namespace

// The header's texts belong to the window's form: they translate in its
// context ("MainWindow").

LiveHeader::LiveHeader(Ui::MainWindow *form)
    : ui(form)
{
    // Notes of the pages (an edit the device refused, and why) float just
    // above the status bar: the bar itself has no room to spare, and its
    // communication state is rewritten on every tick.
    m_noticeLabel = new QLabel(ui->centralwidget);
    m_noticeLabel->setObjectName(QStringLiteral("label_Notice"));
    m_noticeLabel->setStyleSheet(QString::fromLatin1(NoticeStyle));
    m_noticeLabel->setWordWrap(true);
    m_noticeLabel->hide();
    m_noticeTimer = new QTimer(m_noticeLabel);
    m_noticeTimer->setSingleShot(true);
    QLabel *label = m_noticeLabel;
    QObject::connect(m_noticeTimer, &QTimer::timeout, label, [label] {
        label->hide();
        label->clear();
    });
}

void LiveHeader::showCommunication(Communication state)
{
    switch (state) {
    case CommunicationUnknown:
        ui->label_ConnectState->clear();
        break;
    case CommunicationNormal:
        showConnectState(QCoreApplication::translate("MainWindow", "Communication-Normal"), connectNormalStyle());
        break;
    case CommunicationError:
        showConnectState(QCoreApplication::translate("MainWindow", "Communication-Error"), QString::fromLatin1(ConnectErrorStyle));
        break;
    }
    // While the bar reports the link in error, the values above it are the
    // last ones read: greyed, a weight that no longer moves is not taken for
    // a live one.
    markStale(state == CommunicationError);
}

void LiveHeader::markStale(bool stale)
{
    if (ui->labelweight_1->property("stale").toBool() == stale)
        return;
    for (QLabel *label :
         {ui->labelweight_1, ui->label_Mv_1, ui->label_FlowRate_1, ui->label_ErrorMessage_1}) {
        // The style sheets grey QLabel[stale="true"]; a changed property
        // takes effect on the next polish only.
        label->setProperty("stale", stale);
        label->style()->unpolish(label);
        label->style()->polish(label);
        label->update();
    }
    // The indicators are images and a flag of their own colour: faded.
    for (QLabel *flag : {ui->label_NetFlag, ui->Lab_Zero, ui->Lab_Stable}) {
        QGraphicsOpacityEffect *fade = nullptr;
        if (stale) {
            fade = new QGraphicsOpacityEffect(flag);
            fade->setOpacity(0.3);
        }
        flag->setGraphicsEffect(fade); // deletes the one before
    }
}

void LiveHeader::setLightTheme(bool light)
{
    m_light = light;
    // The green of the communication state follows the theme at once.
    const QString shown = ui->label_ConnectState->styleSheet();
    if (shown == QLatin1String(ConnectNormalDark) || shown == QLatin1String(ConnectNormalLight))
        ui->label_ConnectState->setStyleSheet(connectNormalStyle());
}

QString LiveHeader::connectNormalStyle() const
{
    return QString::fromLatin1(m_light ? ConnectNormalLight : ConnectNormalDark);
}

void LiveHeader::showConnectState(const QString &text, const QString &style)
{
    // Setting a style sheet re-polishes the label even when it is the same
    // one; on every tick that was most of the cost of an idle link.
    if (ui->label_ConnectState->text() != text)
        ui->label_ConnectState->setText(text);
    if (ui->label_ConnectState->styleSheet() != style)
        ui->label_ConnectState->setStyleSheet(style);
}

void LiveHeader::showNotice(const QString &text)
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

void LiveHeader::setLinkName(const QString &name, const QString &settings)
{
    m_linkName = name;
    m_linkSettings = settings;
    fitStatusBar();
}

void LiveHeader::fitStatusBar()
{
    QWidget *bar = ui->widget_down;
    // Called on every tick: nothing to do unless a text or the width changed.
    QString fitted =
        QStringLiteral("%1|%2|%3|%4").arg(bar->width()).arg(bar->isHidden()).arg(m_linkName, m_linkSettings);
    for (const QLabel *label : bar->findChildren<QLabel *>()) {
        if (label != ui->label_port)
            fitted += QLatin1Char('|') + label->text();
    }
    if (fitted == m_fitted)
        return;
    m_fitted = fitted;
    QLayout *layout = bar->layout();
    const auto need = [layout] {
        layout->invalidate();
        return layout->minimumSize().width();
    };
    ui->label_port->setText(linkText(m_linkName, m_linkSettings));
    ui->label_port->setToolTip(QString());
    ui->label->show();
    ui->label_protol->show();
    if (bar->isHidden() || need() <= bar->width())
        return;
    ui->label->hide();
    ui->label_protol->hide();
    const int over = need() - bar->width();
    if (over <= 0)
        return;
    const QFontMetrics metrics = ui->label_port->fontMetrics();
    const int keep = qMax(metrics.horizontalAdvance(QStringLiteral("ttyUSB0")),
                          metrics.horizontalAdvance(m_linkName) - over);
    ui->label_port->setText(linkText(metrics.elidedText(m_linkName, Qt::ElideMiddle, keep), m_linkSettings));
    ui->label_port->setToolTip(m_linkName);
}

void LiveHeader::showStatusBits(quint32 status, bool force)
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
                ui->label_NetFlag->setText(QCoreApplication::translate("MainWindow", "NET"));
            else
                ui->label_NetFlag->clear();
            break;
        default:
            break;
        }
    }
}

void LiveHeader::showLiveValues(bool force, int language)
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
        QT_TRANSLATE_NOOP("MainWindow", "Over Full Scale"), QT_TRANSLATE_NOOP("MainWindow", "Weight Under Limit"),
        QT_TRANSLATE_NOOP("MainWindow", "Loadcell Over"), QT_TRANSLATE_NOOP("MainWindow", "Loadcell Under")};
    const quint32 overload = (live.status >> 4) & 0xF;
    const qint32 weight = qint32(live.weight);
    if (overload != 0)
        s_header.weightText =
            QCoreApplication::translate("MainWindow", overloadTexts[qCountTrailingZeroBits(overload)]);
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
        const ErrorLine line = errorLine(live.errorBits, language != 0);
        ui->label_ErrorMessage_1->setText(line.text);
        if (line.fontSizePx > 0)
            ui->label_ErrorMessage_1->setStyleSheet(QStringLiteral("font-size: %1px;").arg(line.fontSizePx));
    }
}
