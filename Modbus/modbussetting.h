#ifndef MODBUSSETTING_H
#define MODBUSSETTING_H

#include "Modbus/devicelink.h"
#include "Modbus/settings.h"

#include <QMainWindow>

class QLabel;
class QSettings;

QT_BEGIN_NAMESPACE
namespace Ui { class ModbusSetting; }
QT_END_NAMESPACE

// The connection page: link parameters, "setting.ini", connect and test read.
class ModbusSetting : public QMainWindow
{
    Q_OBJECT

public:
    explicit ModbusSetting(QWidget *parent = nullptr);
    ~ModbusSetting() override;

    Settings settings();
    void initInterface();
    void loadSettings();
    void saveSettings();
    void showWarning(const QString &text);

    // The link the form describes (settings() plus unit and word order).
    LinkSettings linkSettings();

    // Directory that holds "setting.ini": R7CONFIG_SETTINGS_DIR when set
    // (tests, several devices), else the executable's directory, or the
    // user's configuration folder for an installed program (AppPaths).
    static QString settingsDirectory();
    static QString settingsFilePath();
    // Sets g_language and g_uiMode from setting.ini (a fixed start-up choice
    // first), as the page does when it loads the file; nothing without a file.
    static void loadAppearance();

signals:
    void ConnectSuccessfulSignal();
    // A connection or a device scan is about to start, before its first wait.
    void linkStarting();

public slots:
    void on_connectButton_clicked();
    void on_findDeviceButton_clicked();
    void SettingSerialNum();
    void on_connectType_activated(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showProtocolFields(int index);
    void setPortText(const QString &text);
    // Language and theme from the file, and the maker's link.
    void loadModes(QSettings &ini);
    static void readAppearance(QSettings &ini);

    Ui::ModbusSetting *ui;
    Settings m_settings;
    QWidget *m_focusTarget = nullptr;
    QLabel *m_settingsFileLabel = nullptr; // names the "setting.ini" in use
    bool m_connecting = false;
};

#endif // MODBUSSETTING_H
