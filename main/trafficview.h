#ifndef TRAFFICVIEW_H
#define TRAFFICVIEW_H

#include <QAbstractTableModel>
#include <QDockWidget>
#include <QVector>

class QCheckBox;
class QLabel;
class QMainWindow;
class QPushButton;
class QTableView;
class QTimer;
struct TrafficEntry;

// The traffic log's kept exchanges as rows, newest last; "errors only" keeps
// the failed ones. It follows the log when told to refresh, in one batch.
class TrafficModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { ColTime, ColUnit, ColFunction, ColAddress, ColCount, ColRequest, ColReply, ColRoundTrip,
                  ColOutcome, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Drops the rows the log no longer keeps and, with add, appends the new ones.
    void refresh(bool add = true);
    void setErrorsOnly(bool on);
    void clear();
    const TrafficEntry &entryAt(int row) const;

    static QString outcomeShown(const TrafficEntry &entry);

private:
    QVector<quint64> m_rows; // sequence numbers in the log
    quint64 m_next = 0;      // the first number not looked at yet
    bool m_errorsOnly = false;
    qint64 m_utcOffsetMs = 0;
};

// A dock, floating at first, that shows the exchanges on the link and its
// statistics; it can stay open beside any page. It also owns the status bar's
// statistics tool tip and its word-order warning.
class TrafficView : public QDockWidget
{
    Q_OBJECT

public:
    // Puts the view on window, closed; its button goes before beside (in the
    // title row) and Ctrl+T opens and closes it.
    static TrafficView *attach(QMainWindow *window, QWidget *beside, QWidget *statusBar);

    // After a link-up: warns in the status bar when the Weight & CAL block
    // just read makes sense only in the other word order.
    void checkWordOrder();

    // Statistics of the present link in the present language.
    static QString statisticsText();

    TrafficModel *model() const { return m_model; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    explicit TrafficView(QMainWindow *window);
    void retranslate();
    void refreshView();
    void saveCsv();
    void placeWordOrder();

    TrafficModel *m_model;
    QLabel *m_statistics;
    QPushButton *m_pause;
    QPushButton *m_clear;
    QCheckBox *m_errorsOnly;
    QPushButton *m_save;
    QTableView *m_table;
    QTimer *m_timer;
    QPushButton *m_opener = nullptr;
    QWidget *m_statusBar = nullptr;
    QLabel *m_wordOrder = nullptr;
    int m_suspectOrder = -1;
};

#endif // TRAFFICVIEW_H
