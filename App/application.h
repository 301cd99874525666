#ifndef APPLICATION_H
#define APPLICATION_H

#include "App/parameterbinding.h"

QT_BEGIN_NAMESPACE
namespace Ui { class Application; }
QT_END_NAMESPACE

// Input and output functions and the eight comparators, on three tabs. Only
// the tab last chosen is polled, and only its table takes commits.
class Application : public ParameterPage
{
    Q_OBJECT

public:
    explicit Application(QWidget *parent = nullptr);
    ~Application() override;

    // Run by the main window each time the page becomes current.
    void enterPage() override;
    // Shows the record of the tab shown; force rewrites every field of it.
    void refreshFromMirror(bool force) override;
    // Lays the three tabs out for a window of the given width in pixels.
    void adjustLayout(int width);

    const BindingTable *bindingTable() const override;
    QVector<const BindingTable *> bindingTables() const override;
    ScaledList scaledList() const override;

protected:
    void retranslate() override;
    bool shownBlocksRead() const override;
    void lineEditFinished(QLineEdit *edit, const QString &typed, const QString &valueText) override;
    void comboCommitted(QComboBox *box, CommitResult result) override;

private slots:
    void on_tabWidget_tabBarClicked(int index);
    void on_tabWidget_currentChanged(int index);
    void on_cBoxInputMode_1_activated(int index);
    void on_cBoxInputMode_2_activated(int index);
    void on_cBoxInputMode_3_activated(int index);

private:
    void showLinkedLevel(QComboBox *chosen, int index);
    void showComparators(bool changed);

    Ui::Application *ui;
    // What the on-board level combos showed before a linked choice, so that a
    // refused write can put all three back.
    int m_levelsBefore[3] = {-1, -1, -1};
};

#endif // APPLICATION_H
