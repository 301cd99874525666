#ifndef BASICCONFIG_H
#define BASICCONFIG_H

#include "App/parameterbinding.h"

QT_BEGIN_NAMESPACE
namespace Ui { class BasicConfig; }
QT_END_NAMESPACE

// Zero, tare, stability and filter settings (registers 100-129).
class BasicConfig : public ParameterPage
{
    Q_OBJECT

public:
    explicit BasicConfig(QWidget *parent = nullptr);
    ~BasicConfig() override;

    const BindingTable *bindingTable() const override;
    ScaledList scaledList() const override;

    void enterPage() override;
    void refreshFromMirror(bool force) override;
    // Lays the page out for a window of the given width in pixels.
    void adjustLayout(int width);

protected:
    void retranslate() override;
    bool shownBlocksRead() const override;

private:
    Ui::BasicConfig *ui;
};

#endif // BASICCONFIG_H
