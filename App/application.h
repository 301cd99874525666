#ifndef APPLICATION_H
#define APPLICATION_H

#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui { class Application; }
QT_END_NAMESPACE

// Input and output functions and the comparators.
class Application : public QWidget
{
    Q_OBJECT

public:
    explicit Application(QWidget *parent = nullptr);
    ~Application() override;

    // Run by the main window each time the page becomes current.
    void enterPage();
    // Shows the page's record of the device mirror; force rewrites every field.
    void refreshFromMirror(bool force);
    // Lays the page out for a window of the given width in pixels.
    void adjustLayout(int width);
    int layoutWidth() const { return m_layoutWidth; }

private:
    Ui::Application *ui;
    int m_layoutWidth = 0;
};

#endif // APPLICATION_H
