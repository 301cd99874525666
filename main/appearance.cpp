#include "main/appearance.h"
#include "ui_mainwindow.h"

#include "App/maininterface.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QIcon>
#include <QPointer>
#include <QTranslator>

namespace {

// Style sheet and language-button icon for each theme (dark, light) and language.
struct ThemeResources
{
    const char *styleSheet;
    const char *trace;
    const char *languageIcon;
};
const ThemeResources Themes[2][2] = {
    {{":/Qss/SheetStyle_EN.qss", "英文模式下设置了黑色", ":/images/EN.ico"},
     {":/Qss/SheetStyle.qss", "中文模式下设置了黑色", ":/images/CH.ico"}},
    {{":/Qss/SheetStyleWhite_EN.qss", "英文模式下设置了白色", ":/images/EN_b.ico"},
     {":/Qss/SheetStyleWhite.qss", "中文模式下设置了白色", ":/images/CH_b.ico"}},
};

const ThemeResources &themeResources(bool light, int language)
{
    return Themes[light ? 1 : 0][language != 0 ? 1 : 0];
}

// Puts the theme's style sheet on the application. Setting a sheet re-polishes
// every widget there is, even when it is the same sheet, so an unchanged one
// is left alone. False when the sheet cannot be read.
bool setApplicationSheet(const ThemeResources &theme)
{
    QFile file(QString::fromLatin1(theme.styleSheet));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "style sheet not found" << file.fileName();
        return false;
    }
    const QByteArray bytes = file.readAll();
    // Read as C text: a stray NUL ends the sheet.
    const QString sheet = QString::fromUtf8(bytes.constData());
    if (qApp->styleSheet() != sheet)
        qApp->setStyleSheet(sheet);
    return true;
}

// The catalogue installed: one for the program, put on before the first
// window's widgets exist. A translator removes itself when it is deleted.
QPointer<QTranslator> s_translator;
int s_catalogueLanguage = -1;

// Installs the catalogue of language (0 English, 1 Chinese) unless it is the
// one installed; every widget there is is then told of the change.
void installCatalogue(int language, QObject *parent)
{
    if (s_translator && s_catalogueLanguage == language)
        return;
    delete s_translator.data();

    QString catalogue;
    if (language == 1) {
        catalogue = QStringLiteral(":/Translate/Language_CN.qm");
        qDebug() << "设置了中文";
    } else {
        catalogue = QStringLiteral(":/Translate/Language_EN.qm");
        qDebug() << "设置了英文";
    }
    // A catalogue that does not load leaves an empty translator: English.
    s_translator = new QTranslator(parent);
    if (!s_translator->load(catalogue))
        qWarning() << "catalogue not loaded" << catalogue;
    s_catalogueLanguage = language;
    QCoreApplication::installTranslator(s_translator);
}

} // namespace

Appearance::Appearance(Ui::MainWindow *form, ModbusSetting *connectionPage, QObject *translatorParent)
    : ui(form)
    , m_connectionPage(connectionPage)
    , m_translatorParent(translatorParent)
{
    setIconSet(false);
}

void Appearance::applySavedSheet(QObject *translatorParent)
{
    ModbusSetting::loadAppearance();
    setApplicationSheet(themeResources(g_uiMode != 0, g_language));
    // So is the catalogue: the forms come up in their language, and the pages
    // need not all translate themselves again before the first show.
    installCatalogue(g_language != 0 ? 1 : 0, translatorParent);
}

void Appearance::installLanguage()
{
    m_language = g_language != 0 ? 1 : 0;
    ui->Btn_ChangeLanguage->setIcon(
        QIcon(QString::fromLatin1(themeResources(m_lightMode, m_language).languageIcon)));
    m_connectionPage->saveSettings();
    installCatalogue(m_language, m_translatorParent);
}

void Appearance::applyTheme()
{
    m_lightMode = g_uiMode != 0;
    const ThemeResources &theme = themeResources(m_lightMode, m_language);
    qDebug() << theme.trace;
    ui->Btn_ChangeLanguage->setIcon(QIcon(QString::fromLatin1(theme.languageIcon)));
    m_connectionPage->saveSettings();
    if (m_mainInterface)
        m_mainInterface->setChartTheme(m_lightMode);
    setIconSet(m_lightMode);
    setApplicationSheet(theme);
}

void Appearance::setMainInterface(MainInterface *mainInterface)
{
    m_mainInterface = mainInterface;
    m_mainInterface->setChartTheme(m_lightMode);
}

void Appearance::setIconSet(bool light)
{
    struct IconRow {
        QPushButton *button;
        const char *dark;
        const char *light;
    };
    const IconRow rows[] = {
        {ui->Btn_Max, ":/images/MAX.ico", ":/images/MAX_b.ico"},
        {ui->Btn_Min, ":/images/MIN1.ico", ":/images/MIN1_b.ico"},
        {ui->Btn_Close, ":/images/CLOSE1.ico", ":/images/CLOSE_b.ico"},
        {ui->Btn_ChangeColor, ":/images/ChangeColor.ico", ":/images/ChangeColor2.ico"},
        {ui->ButtonMainInterface, ":/images/MainInter.ico", ":/images/MainInter_black.ico"},
        {ui->ButtonBasicConfig, ":/images/BasicConfig.ico", ":/images/BasicConfig_black.ico"},
        {ui->ButtonWeightCal, ":/images/WeightCAL.ico", ":/images/WeightCAL_black.ico"},
        {ui->ButtonApplication, ":/images/Application.ico", ":/images/Application_black.ico"},
        {ui->ButtonDataTrans, ":/images/DataTrans.ico", ":/images/DataTrans_black.ico"},
        {ui->ButtonTestMaintain, ":/images/TestMain.ico", ":/images/TestMain_black.ico"},
    };
    for (const IconRow &row : rows)
        row.button->setIcon(QIcon(QString::fromLatin1(light ? row.light : row.dark)));
    // These two pictures are drawn with a different margin than the others.
    ui->ButtonApplication->setIconSize(QSize(30, 30));
    ui->ButtonDataTrans->setIconSize(QSize(20, 20));
}
