#ifndef WEIGHTCAL_H
#define WEIGHTCAL_H

#include "App/parameterbinding.h"

QT_BEGIN_NAMESPACE
namespace Ui { class WeightCal; }
QT_END_NAMESPACE

class QLineEdit;

// Units, decimals, division, capacity and calibration (registers 200-237).
class WeightCal : public ParameterPage
{
    Q_OBJECT

public:
    static constexpr int PointCount = 5;

    explicit WeightCal(QWidget *parent = nullptr);
    ~WeightCal() override;

    const BindingTable *bindingTable() const override;
    ScaledList scaledList() const override;

    void enterPage() override;
    void refreshFromMirror(bool force) override;
    // Lays the page out for a window of the given width in pixels.
    void adjustLayout(int width);

protected:
    QString comboValueText(QComboBox *box, int index) const override;
    void lineEditFinished(QLineEdit *edit, const QString &typed, const QString &valueText) override;
    void lineEditCommitted(QLineEdit *edit, const QString &typed, CommitResult result) override;
    bool writesUnchanged(const QLineEdit *edit) const override;
    bool acceptsValue(const QLineEdit *edit, const QString &valueText) const override;
    QString refusalNote(const QLineEdit *edit, const QString &typed) const override;
    void forgetDeviceTexts() override;
    void retranslate() override;
    bool shownBlocksRead() const override;

private:
    // 1..5 for a calibration-point line edit, otherwise 0.
    int pointOf(const QLineEdit *edit) const;
    QLineEdit *pointEdit(int point) const;
    void showPointTexts();

    Ui::WeightCal *ui;
    // The device does not report point weights, only the signals it
    // recorded, so the weights entered since start-up are kept here.
    QString m_cpText[PointCount];
};

#endif // WEIGHTCAL_H
