#ifndef WEIGHTCAL_H
#define WEIGHTCAL_H

#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui { class WeightCal; }
QT_END_NAMESPACE

// Units, decimals, division, capacity and calibration.
class WeightCal : public QWidget
{
    Q_OBJECT

public:
    explicit WeightCal(QWidget *parent = nullptr);
    ~WeightCal() override;

    // Run by the main window each time the page becomes current.
    void enterPage();
    // Shows the page's record of the device mirror; force rewrites every field.
    void refreshFromMirror(bool force);
    // Lays the page out for a window of the given width in pixels.
    void adjustLayout(int width);
    int layoutWidth() const { return m_layoutWidth; }

private:
    Ui::WeightCal *ui;
    int m_layoutWidth = 0;
};

#endif // WEIGHTCAL_H
