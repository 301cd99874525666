#ifndef TESTMAINTAIN_H
#define TESTMAINTAIN_H

#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui { class TestMaintain; }
QT_END_NAMESPACE

// System information, parameter resets and workbook exchange.
class TestMaintain : public QWidget
{
    Q_OBJECT

public:
    explicit TestMaintain(QWidget *parent = nullptr);
    ~TestMaintain() override;

    // Run by the main window each time the page becomes current.
    void enterPage();
    // Shows the page's record of the device mirror; force rewrites every field.
    void refreshFromMirror(bool force);

    // The reset password is asked once per visit of the page.
    bool passwordOk() const { return m_passwordOk; }
    void setPasswordOk(bool ok) { m_passwordOk = ok; }
    void resetUnlock() { m_passwordOk = false; }

private:
    bool m_passwordOk = false;
    Ui::TestMaintain *ui;
};

#endif // TESTMAINTAIN_H
