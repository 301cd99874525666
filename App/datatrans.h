#ifndef DATATRANS_H
#define DATATRANS_H

#include "App/parameterbinding.h"

QT_BEGIN_NAMESPACE
namespace Ui { class DataTrans; }
QT_END_NAMESPACE

// The device's serial, Ethernet and analog-output settings, one register each.
class DataTrans : public ParameterPage
{
    Q_OBJECT

public:
    explicit DataTrans(QWidget *parent = nullptr);
    ~DataTrans() override;

    // Run by the main window each time the page becomes current.
    void enterPage() override;
    // Shows the page's record of the device mirror; force rewrites every field.
    void refreshFromMirror(bool force) override;
    // Lays the page out for a window of the given width in pixels.
    void adjustLayout(int width);

    const BindingTable *bindingTable() const override;
    ScaledList scaledList() const override;

protected:
    void retranslate() override;
    bool shownBlocksRead() const override;
    bool acceptsValue(const QLineEdit *edit, const QString &valueText) const override;

private slots:
    void on_cBoxAnalogType_currentIndexChanged(int index);

private:
    Ui::DataTrans *ui;
    int m_analogTypeShown = 0;
};

#endif // DATATRANS_H
