#ifndef TESTMAINTAIN_H
#define TESTMAINTAIN_H

#include <QPointer>
#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui { class TestMaintain; }
QT_END_NAMESPACE

class QMessageBox;
struct ResetCommand;

// System information, parameter resets and workbook exchange.
class TestMaintain : public QWidget
{
    Q_OBJECT

public:
    explicit TestMaintain(QWidget *parent = nullptr);
    ~TestMaintain() override;

    // Run by the main window each time the page becomes current.
    void enterPage();
    // Shows the system information of the device mirror and the banner of the
    // system remote-editing switch; force rewrites every field.
    void refreshFromMirror(bool force);

    // The reset password is asked once per visit of the page.
    void resetUnlock() { m_passwordOk = false; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    // Workbook import and export.
    void on_But_Import_clicked();
    void on_Btu_Export_clicked();
    // Stop the running transfer before its next row.
    void on_Btn_StopImport_clicked();
    void on_Btn_StopExport_clicked();
    // Factory resets of parameter groups.
    void on_Btn_ResetALL_clicked();
    void on_Btn_ResetData_trans_clicked();
    void on_Btn_ResetAPP_clicked();
    void on_Btn_Resetbasic_clicked();
    void on_Btn_ResetCAL_clicked();
    void on_Btn_Resetanalog_clicked();
    void on_Btn_ResetIO_clicked();
    void on_Btn_ResetPartial_clicked();

private:
    void runReset(const ResetCommand &command);
    // The third outcome of a reset: sent, but not answered. Says so, and then
    // whether the device answers again within a few seconds.
    void reportUnanswered(const ResetCommand &command);
    bool deviceAnswersAgain(const QPointer<QMessageBox> &box);
    // Asks for the password unless it was accepted during this visit.
    bool unlock();
    void showRemoteTip(bool force);
    // The result links of the last import and export, in the language shown.
    void showPathLinks();

    bool m_passwordOk = false;
    Ui::TestMaintain *ui;
    // A reset waits for the device with the event loop running; a second
    // button pressed meanwhile does nothing.
    bool m_resetRunning = false;
    // The link whose device the fields show, and whether they show blanks.
    quint32 m_shownLink = 0;
    bool m_showsNotRead = false;
    QString m_importedFile;
    QString m_exportedFile;
};

#endif // TESTMAINTAIN_H
