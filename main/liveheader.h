#ifndef LIVEHEADER_H
#define LIVEHEADER_H

#include <QString>

namespace Ui { class MainWindow; }
class QLabel;
class QTimer;

// The verdict on the link the status bar shows since the last link-up.
enum Communication { CommunicationUnknown, CommunicationNormal, CommunicationError };

// The main window's live weight header and status bar: weight, status
// indicators, sensor voltage, flow rate and error line from the device mirror,
// the communication state, and the pages' notes floating above the bar. It
// draws into the window's form and keeps what it showed last, so that an
// unchanged value costs no repaint.
class LiveHeader
{
public:
    explicit LiveHeader(Ui::MainWindow *ui);

    // Redraws the header from the device mirror; force rewrites every field.
    // language is the one the window shows (0 English, 1 Chinese).
    void showLiveValues(bool force, int language);
    // The label of the communication state in the present language; in error
    // the header's values are greyed as the last ones read.
    void showCommunication(Communication state);
    // The green of "Communication-Normal" for the theme (light or dark).
    void setLightTheme(bool light);
    // A page's note above the status bar, for a few seconds.
    void showNotice(const QString &text);
    // The line in the status bar: a serial port's name and its settings
    // ("38400-8-N-1"), or a host and no settings.
    void setLinkName(const QString &name, const QString &settings);
    // Fits the status bar to its width: on a narrow window the protocol goes
    // first (the line's label tells serial from TCP), then the line's name
    // shortens in its middle, whole in its tool tip.
    void fitStatusBar();

private:
    void showStatusBits(quint32 status, bool force);
    void markStale(bool stale);
    void showConnectState(const QString &text, const QString &style);
    QString connectNormalStyle() const;

    Ui::MainWindow *ui;
    QLabel *m_noticeLabel = nullptr;
    QTimer *m_noticeTimer = nullptr;
    bool m_light = false;
    QString m_linkName;
    QString m_linkSettings;
    QString m_fitted; // what the status bar was last fitted for
};

#endif // LIVEHEADER_H
