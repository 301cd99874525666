#ifndef APPEARANCE_H
#define APPEARANCE_H

namespace Ui { class MainWindow; }
class MainInterface;
class ModbusSetting;
class QObject;

// The language and theme switcher of the main window: the catalogue of the
// language, the application's style sheet, the icon sets of the window's
// buttons and the theme of the curves. It remembers what it applied last,
// which is what the window shows even when g_language or g_uiMode were re-read
// from setting.ini since.
class Appearance
{
public:
    Appearance(Ui::MainWindow *ui, ModbusSetting *connectionPage, QObject *translatorParent);

    // Puts the style sheet and the catalogue of the saved language and theme
    // on the application before any widget exists: put on afterwards, the
    // sheet would polish the whole window again and the catalogue translate
    // every page again. The catalogue belongs to translatorParent.
    static void applySavedSheet(QObject *translatorParent);

    // Installs the catalogue of g_language and the language button's icon, and
    // saves the choice; the window then re-applies its texts.
    void installLanguage();
    // Applies the theme of g_uiMode for the language last installed.
    void applyTheme();
    // The monitoring page, built after the window: its curves take the
    // theme last applied and follow every later one.
    void setMainInterface(MainInterface *mainInterface);

    // 0 English, 1 Chinese: the language last installed.
    int language() const { return m_language; }
    bool isLight() const { return m_lightMode; }

private:
    void setIconSet(bool light);

    Ui::MainWindow *ui;
    ModbusSetting *m_connectionPage;
    MainInterface *m_mainInterface = nullptr;
    QObject *m_translatorParent;
    int m_language = 0;
    bool m_lightMode = false;
};

#endif // APPEARANCE_H
