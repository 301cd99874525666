#include "main/trafficview.h"

#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/trafficlog.h"
#include "Modbus/wordorder.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QColor>
#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSaveFile>
#include <QShortcut>
#include <QTableView>
#include <QTime>
#include <QTimer>
#include <QToolTip>

namespace {

// How often an open view catches up with the log: often enough to look live,
// rarely enough that polling costs nothing noticeable (every catch-up scrolls
// and so repaints every row shown).
constexpr int RefreshMs = 2000;

constexpr int TablePixels = 12;

constexpr qint64 MsPerDay = 24 * 3600 * 1000;

const char WordOrderStyle[] =
    "color: rgb(255, 160, 0); background-color: rgb(50, 50, 50); font-weight: bold; padding: 2px 8px;";

} // namespace

int TrafficModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int TrafficModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const TrafficEntry &TrafficModel::entryAt(int row) const
{
    return TrafficLog::instance()->entry(m_rows.at(row));
}

QString TrafficModel::outcomeShown(const TrafficEntry &e)
{
    switch (e.outcome) {
    case TrafficOutcome::Ok:
        return tr("OK");
    case TrafficOutcome::Exception:
        return tr("exception %1 %2")
            .arg(QStringLiteral("%1").arg(e.exception, 2, 16, QLatin1Char('0')).toUpper(),
                 QCoreApplication::translate("TrafficLog", exceptionName(e.exception)));
    case TrafficOutcome::Timeout:
        return tr("time-out");
    case TrafficOutcome::Garbled:
        return tr("CRC/framing error");
    case TrafficOutcome::NoFit:
        return tr("reply that does not fit its request");
    case TrafficOutcome::LinkClosed:
        return tr("link closed");
    }
    return QString();
}

QVariant TrafficModel::data(const QModelIndex &index, int role) const
{
    // A row whose exchange the log has overwritten since the last refresh shows nothing.
    if (!index.isValid() || index.row() >= m_rows.size()
        || m_rows.at(index.row()) < TrafficLog::instance()->firstKept())
        return QVariant();
    const TrafficEntry &e = entryAt(index.row());
    if (role == Qt::ForegroundRole)
        return e.failed() ? QVariant(QColor(235, 80, 80)) : QVariant();
    // A long frame is cut in its cell; its tool tip has it whole.
    if (role == Qt::ToolTipRole && (index.column() == ColRequest || index.column() == ColReply))
        return QString::fromLatin1((index.column() == ColRequest ? e.request : e.reply).toHex(' ').toUpper());
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case ColTime: // local time of day, without a time zone lookup per cell
        return QTime::fromMSecsSinceStartOfDay(int((e.timeMs + m_utcOffsetMs) % MsPerDay))
            .toString(QStringLiteral("HH:mm:ss.zzz"));
    case ColUnit:
        return e.unit;
    case ColFunction:
        return QStringLiteral("%1").arg(e.function, 2, 16, QLatin1Char('0')).toUpper();
    case ColAddress:
        return e.address;
    case ColCount:
        return e.count;
    case ColRequest:
        return QString::fromLatin1(e.request.toHex(' ').toUpper());
    case ColReply:
        return QString::fromLatin1(e.reply.toHex(' ').toUpper());
    case ColRoundTrip:
        return QString::number(e.roundTripUs / 1000.0, 'f', 1);
    case ColOutcome:
        return outcomeShown(e);
    default:
        return QVariant();
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case ColTime: return tr("Time");
    case ColUnit: return tr("Unit");
    case ColFunction: return tr("Function");
    case ColAddress: return tr("Register");
    case ColCount: return tr("Count");
    case ColRequest: return tr("Request");
    case ColReply: return tr("Reply");
    case ColRoundTrip: return tr("Round trip (ms)");
    case ColOutcome: return tr("Outcome");
    default: return QVariant();
    }
}

void TrafficModel::refresh(bool add)
{
    m_utcOffsetMs = qint64(QDateTime::currentDateTime().offsetFromUtc()) * 1000;
    const TrafficLog *log = TrafficLog::instance();
    const quint64 first = log->firstKept();
    int dropped = 0;
    while (dropped < m_rows.size() && m_rows.at(dropped) < first)
        ++dropped;
    if (dropped > 0) {
        beginRemoveRows(QModelIndex(), 0, dropped - 1);
        m_rows.remove(0, dropped);
        endRemoveRows();
    }
    if (!add)
        return;
    QVector<quint64> added;
    for (quint64 n = qMax(m_next, first); n < log->total(); ++n) {
        if (!m_errorsOnly || log->entry(n).failed())
            added.append(n);
    }
    m_next = log->total();
    if (added.isEmpty())
        return;
    beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size() + added.size() - 1);
    m_rows += added;
    endInsertRows();
}

void TrafficModel::setErrorsOnly(bool on)
{
    beginResetModel();
    m_errorsOnly = on;
    m_rows.clear();
    m_next = 0;
    endResetModel();
    refresh();
}

void TrafficModel::clear()
{
    TrafficLog::instance()->clear();
    refresh();
}

TrafficView *TrafficView::attach(QMainWindow *window, QWidget *beside, QWidget *statusBar)
{
    auto *view = new TrafficView(window);
    window->addDockWidget(Qt::RightDockWidgetArea, view);
    view->setFloating(true);
    view->resize(1040, 460);
    view->hide();

    view->m_opener = new QPushButton(beside->parentWidget());
    view->m_opener->setObjectName(QStringLiteral("ButtonTraffic"));
    view->m_opener->setCheckable(true);
    // Like the window buttons beside it, out of the Tab chain: Ctrl+T is its key.
    view->m_opener->setFocusPolicy(Qt::NoFocus);
    if (auto *row = qobject_cast<QBoxLayout *>(beside->parentWidget()->layout()))
        row->insertWidget(row->indexOf(beside), view->m_opener);
    connect(view->m_opener, &QPushButton::clicked, view, &QWidget::setVisible);
    connect(view, &QDockWidget::visibilityChanged, view->m_opener, [view] {
        view->m_opener->setChecked(view->isVisible());
    });
    auto *shortcut = new QShortcut(QKeySequence(int(Qt::CTRL) + Qt::Key_T), window);
    shortcut->setContext(Qt::ApplicationShortcut);
    connect(shortcut, &QShortcut::activated, view, [view] { view->setVisible(!view->isVisible()); });

    // The status bar has no room to spare: the warning stands on its right end, just above it.
    view->m_statusBar = statusBar;
    view->m_wordOrder = new QLabel(statusBar->parentWidget());
    view->m_wordOrder->setObjectName(QStringLiteral("label_WordOrder"));
    view->m_wordOrder->setStyleSheet(QString::fromLatin1(WordOrderStyle));
    view->m_wordOrder->hide();
    statusBar->installEventFilter(view);
    view->retranslate();
    return view;
}

TrafficView::TrafficView(QMainWindow *window)
    : QDockWidget(window)
    , m_model(new TrafficModel(this))
{
    setObjectName(QStringLiteral("TrafficView"));
    setAllowedAreas(Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    auto *body = new QWidget(this);
    auto *column = new QVBoxLayout(body);
    m_statistics = new QLabel(body);
    m_statistics->setObjectName(QStringLiteral("label_TrafficStatistics"));
    m_statistics->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *buttons = new QHBoxLayout;
    m_pause = new QPushButton(body);
    m_pause->setObjectName(QStringLiteral("ButtonTrafficPause"));
    m_pause->setCheckable(true);
    m_clear = new QPushButton(body);
    m_clear->setObjectName(QStringLiteral("ButtonTrafficClear"));
    m_errorsOnly = new QCheckBox(body);
    m_errorsOnly->setObjectName(QStringLiteral("BoxTrafficErrorsOnly"));
    m_save = new QPushButton(body);
    m_save->setObjectName(QStringLiteral("ButtonTrafficSave"));
    for (QWidget *w : {static_cast<QWidget *>(m_pause), static_cast<QWidget *>(m_clear),
                       static_cast<QWidget *>(m_errorsOnly), static_cast<QWidget *>(m_save)})
        buttons->addWidget(w);
    buttons->addStretch();
    m_table = new QTableView(body);
    m_table->setObjectName(QStringLiteral("TrafficTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    // Smaller than the pages' text, so that a whole line fits beside a page.
    m_table->setStyleSheet(QStringLiteral("QTableView, QHeaderView { font-size: %1px; }").arg(TablePixels));
    QFont font = m_table->font();
    font.setPixelSize(TablePixels);
    const QFontMetrics metrics(font);
    // Fixed row heights and column widths: the view never measures contents
    // as rows come in.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    // Widths for the usual contents.
    const char *const samples[] = {"00:00:00.000", "Unit", "Function", "Register", "Count",
                                   "01 03 00 00 00 02 C4 0B", "01 03 04 00 00 00 00 FA 33", "Round trip (ms)"};
    for (int i = 0; i < int(sizeof samples / sizeof samples[0]); ++i)
        m_table->setColumnWidth(i, metrics.horizontalAdvance(QLatin1String(samples[i])) + 16);
    column->addWidget(m_statistics);
    column->addLayout(buttons);
    column->addWidget(m_table);
    setWidget(body);

    m_timer = new QTimer(this);
    m_timer->setInterval(RefreshMs);
    connect(m_timer, &QTimer::timeout, this, &TrafficView::refreshView);
    connect(m_pause, &QPushButton::toggled, this, [this](bool paused) {
        if (!paused)
            refreshView();
    });
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_model->clear();
        refreshView();
    });
    connect(m_errorsOnly, &QCheckBox::toggled, m_model, &TrafficModel::setErrorsOnly);
    connect(m_save, &QPushButton::clicked, this, &TrafficView::saveCsv);
}

QString TrafficView::statisticsText()
{
    const TrafficStatistics &s = TrafficLog::instance()->statistics();
    return tr("Requests %1, OK %2, exceptions %3, time-outs %4; round trip mean %5 ms, max %6 ms")
        .arg(s.requests)
        .arg(s.ok)
        .arg(s.exceptions)
        .arg(s.timeouts)
        .arg(s.meanRoundTripMs(), 0, 'f', 1)
        .arg(s.maxRoundTripMs(), 0, 'f', 1);
}

void TrafficView::refreshView()
{
    m_statistics->setText(statisticsText());
    // Paused, the rows stay, but those the log no longer keeps go.
    const bool atEnd = m_table->verticalScrollBar()->value() == m_table->verticalScrollBar()->maximum();
    m_model->refresh(!m_pause->isChecked());
    if (atEnd)
        m_table->scrollToBottom();
}

void TrafficView::checkWordOrder()
{
    m_suspectOrder = suspectWordOrder(g_mirror, g_dwordFormat);
    retranslate();
}

void TrafficView::retranslate()
{
    setWindowTitle(tr("Traffic"));
    m_pause->setText(tr("Pause"));
    m_clear->setText(tr("Clear"));
    m_errorsOnly->setText(tr("Errors only"));
    m_save->setText(tr("Save as CSV..."));
    m_statistics->setText(statisticsText());
    if (m_opener) {
        m_opener->setText(tr("Traffic"));
        m_opener->setToolTip(tr("Traffic on the link (Ctrl+T)"));
    }
    if (m_wordOrder) {
        m_wordOrder->setText(m_suspectOrder < 0 ? QString()
                                                : tr("Dword Format looks like %1")
                                                      .arg(m_suspectOrder == 0 ? QStringLiteral("AB-CD")
                                                                               : QStringLiteral("CD-AB")));
        placeWordOrder();
    }
    emit m_model->headerDataChanged(Qt::Horizontal, 0, TrafficModel::ColumnCount - 1);
}

void TrafficView::placeWordOrder()
{
    if (!m_wordOrder)
        return;
    const bool shown = m_suspectOrder >= 0 && m_statusBar->isVisible();
    if (shown) {
        m_wordOrder->adjustSize();
        const QRect bar = m_statusBar->geometry();
        m_wordOrder->move(bar.right() - m_wordOrder->width(), bar.top() - m_wordOrder->height());
        m_wordOrder->raise();
    }
    m_wordOrder->setVisible(shown);
}

void TrafficView::saveCsv()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save traffic"), QStringLiteral("traffic.csv"),
                                                      tr("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    m_model->refresh(false);
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly) && file.write(CsvHeader) >= 0;
    for (int row = 0; ok && row < m_model->rowCount(); ++row)
        ok = file.write(m_model->entryAt(row).csvLine()) >= 0;
    if (!ok || !file.commit())
        QMessageBox::warning(this, tr("Warning"), tr("%1 could not be written: %2").arg(path, file.errorString()));
}

bool TrafficView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), statisticsText(),
                           qobject_cast<QWidget *>(watched));
        return true;
    }
    if (event->type() == QEvent::Resize || event->type() == QEvent::Move || event->type() == QEvent::Show
        || event->type() == QEvent::Hide)
        placeWordOrder();
    return QDockWidget::eventFilter(watched, event);
}

void TrafficView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDockWidget::changeEvent(event);
}

void TrafficView::showEvent(QShowEvent *event)
{
    refreshView();
    m_timer->start();
    QDockWidget::showEvent(event);
}

void TrafficView::hideEvent(QHideEvent *event)
{
    m_timer->stop();
    QDockWidget::hideEvent(event);
}
