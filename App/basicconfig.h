#ifndef BASICCONFIG_H
#define BASICCONFIG_H

#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui { class BasicConfig; }
QT_END_NAMESPACE

// Zero, tare, stability and filter settings.
class BasicConfig : public QWidget
{
    Q_OBJECT

public:
    explicit BasicConfig(QWidget *parent = nullptr);
    ~BasicConfig() override;

    // Run by the main window each time the page becomes current.
    void enterPage();
    // Shows the page's record of the device mirror; force rewrites every field.
    void refreshFromMirror(bool force);
    // Lays the page out for a window of the given width in pixels.
    void adjustLayout(int width);
    int layoutWidth() const { return m_layoutWidth; }

private:
    Ui::BasicConfig *ui;
    int m_layoutWidth = 0;
};

#endif // BASICCONFIG_H
