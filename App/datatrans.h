#ifndef DATATRANS_H
#define DATATRANS_H

#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui { class DataTrans; }
QT_END_NAMESPACE

// The device's serial, Ethernet and analog-output settings.
class DataTrans : public QWidget
{
    Q_OBJECT

public:
    explicit DataTrans(QWidget *parent = nullptr);
    ~DataTrans() override;

    // Run by the main window each time the page becomes current.
    void enterPage();
    // Shows the page's record of the device mirror; force rewrites every field.
    void refreshFromMirror(bool force);
    // Lays the page out for a window of the given width in pixels.
    void adjustLayout(int width);
    int layoutWidth() const { return m_layoutWidth; }

private:
    Ui::DataTrans *ui;
    int m_layoutWidth = 0;
};

#endif // DATATRANS_H
