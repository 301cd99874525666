#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "main/errormessages.h"
#include "main/mainwindow.h"

#include "editordriver.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// The four sheets by theme (dark, light) and language (English, Chinese).
const char *const Sheets[2][2] = {{":/Qss/SheetStyle_EN.qss", ":/Qss/SheetStyle.qss"},
                                  {":/Qss/SheetStyleWhite_EN.qss", ":/Qss/SheetStyleWhite.qss"}};
const char *const LanguageIcons[2][2] = {{":/images/EN.ico", ":/images/CH.ico"},
                                         {":/images/EN_b.ico", ":/images/CH_b.ico"}};

QString resourceText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool sameIcon(const QIcon &icon, const char *resource)
{
    const QSize size(32, 32);
    return icon.pixmap(size).toImage() == QIcon(QString::fromLatin1(resource)).pixmap(size).toImage();
}

// Relative luminance and contrast ratio as WCAG 2 defines them.
double luminance(const QColor &c)
{
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// What the operator reads on a widget tree: label and button texts, tool tips
// and combo box items, in a fixed order.
QStringList shownTexts(const QWidget *root)
{
    QStringList texts;
    for (const QWidget *w : root->findChildren<QWidget *>()) {
        if (auto *label = qobject_cast<const QLabel *>(w))
            texts << label->text();
        else if (auto *button = qobject_cast<const QAbstractButton *>(w))
            texts << button->text();
        else if (auto *combo = qobject_cast<const QComboBox *>(w))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        texts << w->toolTip();
    }
    return texts;
}

} // namespace

class tst_Language : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void firstStartIsEnglishAndDark();
    void languageSwitchKeepsTheme_data();
    void languageSwitchKeepsTheme();
    void twoTogglesRestoreTexts_data();
    void twoTogglesRestoreTexts();
    void currentPageAtOnceOtherPageOnEntry();
    // With a link to the simulator from here on.
    void errorLineInAppliedLanguage_data();
    void errorLineInAppliedLanguage();
    void liveTextsReadOnBothThemes();

private:
    QPushButton *button(const char *name) const { return m_window->findChild<QPushButton *>(QLatin1String(name)); }
    QLabel *label(const char *name) const { return m_window->findChild<QLabel *>(QLatin1String(name)); }
    // Which of the four sheets the application shows: {light, Chinese}, or {-1, -1}.
    QPair<int, int> appliedSheet() const;
    void apply(int language, bool light);
    int savedKey(const char *key) const;

    QTemporaryDir m_dir;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
};

void tst_Language::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    TestSupport::installMessageCollector();
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
    g_language = 0;
    g_uiMode = 0;
    m_window = new MainWindow;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void tst_Language::cleanupTestCase()
{
    delete m_window;
    TestSupport::removeMessageCollector();
}

QPair<int, int> tst_Language::appliedSheet() const
{
    for (int light = 0; light < 2; ++light)
        for (int chinese = 0; chinese < 2; ++chinese)
            if (qApp->styleSheet() == resourceText(QLatin1String(Sheets[light][chinese])))
                return {light, chinese};
    return {-1, -1};
}

void tst_Language::apply(int language, bool light)
{
    if (appliedSheet().second != language)
        QTest::mouseClick(button("Btn_ChangeLanguage"), Qt::LeftButton);
    if (appliedSheet().first != int(light))
        QTest::mouseClick(button("Btn_ChangeColor"), Qt::LeftButton);
}

int tst_Language::savedKey(const char *key) const
{
    QSettings ini(ModbusSetting::settingsFilePath(), QSettings::IniFormat);
    return ini.value(QStringLiteral("R7/%1").arg(QLatin1String(key)), -1).toInt();
}

void tst_Language::firstStartIsEnglishAndDark()
{
    // The window was built with no setting.ini in the folder.
    QCOMPARE(appliedSheet(), qMakePair(0, 0));
    QCOMPARE(button("ButtonMainInterface")->text(), QStringLiteral("Main Interface"));
    QVERIFY(sameIcon(button("Btn_ChangeLanguage")->icon(), LanguageIcons[0][0]));
    QVERIFY(sameIcon(button("Btn_Max")->icon(), ":/images/MAX.ico"));
    QCOMPARE(savedKey("Language"), 0);
    QCOMPARE(savedKey("UIMode"), 0);
}

void tst_Language::languageSwitchKeepsTheme_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("light");
    QTest::newRow("light, to Chinese") << 0 << true;
    QTest::newRow("light, to English") << 1 << true;
}

void tst_Language::languageSwitchKeepsTheme()
{
    QFETCH(int, from);
    QFETCH(bool, light);
    apply(from, light);
    const int to = 1 - from;

    QTest::mouseClick(button("Btn_ChangeLanguage"), Qt::LeftButton);
    QCOMPARE(appliedSheet(), qMakePair(int(light), to));
    QVERIFY(sameIcon(button("Btn_ChangeLanguage")->icon(), LanguageIcons[light][to]));
    QVERIFY(sameIcon(button("Btn_Max")->icon(), light ? ":/images/MAX_b.ico" : ":/images/MAX.ico"));
    QCOMPARE(savedKey("Language"), to);
    QCOMPARE(savedKey("UIMode"), int(light));
    // The Chinese comparator texts are longer; only the Chinese sheets make room.
    QWidget *page = m_window->page(PageApplication);
    const struct { const char *name; int chinesePt; int englishPt; } boxes[] = {
        {"BoxONCOND%1", 13, 14}, {"BoxCOMPMode%1", 13, 12}};
    for (int n = 1; n <= 8; ++n) {
        for (const auto &b : boxes) {
            auto *box = page->findChild<QComboBox *>(QString::fromLatin1(b.name).arg(n));
            QVERIFY(box);
            box->ensurePolished();
            QCOMPARE(box->font().pointSize(), to == 1 ? b.chinesePt : b.englishPt);
        }
    }

    // And the theme switch keeps the language.
    QTest::mouseClick(button("Btn_ChangeColor"), Qt::LeftButton);
    QCOMPARE(appliedSheet(), qMakePair(int(!light), to));
    QVERIFY(sameIcon(button("Btn_ChangeLanguage")->icon(), LanguageIcons[!light][to]));
    QCOMPARE(savedKey("UIMode"), int(!light));
}

void tst_Language::twoTogglesRestoreTexts_data()
{
    QTest::addColumn<bool>("fixedStartup");
    QTest::newRow("choice in R7") << false;
    // setting.ini may fix the start-up choice; entering the connection page
    // re-reads it, which must not undo a toggle.
    QTest::newRow("fixed start-up choice") << true;
}

void tst_Language::twoTogglesRestoreTexts()
{
    QFETCH(bool, fixedStartup);
    apply(0, false);
    QCOMPARE(g_pageIndex, int(PageConnection));
    if (fixedStartup) {
        {
            QSettings ini(ModbusSetting::settingsFilePath(), QSettings::IniFormat);
            ini.setValue(QStringLiteral("Config/Startup"), 1);
            ini.setValue(QStringLiteral("Config/Language"), 0);
            ini.setValue(QStringLiteral("Config/UIMode"), 1);
        }
        m_window->connectionPage()->loadSettings();
        m_window->applyLanguage();
        m_window->applyStyle();
        QCOMPARE(appliedSheet(), qMakePair(1, 0));
    }
    const QStringList before = shownTexts(m_window);
    const QPair<int, int> sheetBefore = appliedSheet();

    for (int toggle = 1; toggle <= 2; ++toggle) {
        {
            QSettings ini(ModbusSetting::settingsFilePath(), QSettings::IniFormat);
            ini.setValue(QStringLiteral("R7/Language"), 7); // each toggle must overwrite it
        }
        QTest::mouseClick(button("Btn_ChangeLanguage"), Qt::LeftButton);
        QCOMPARE(savedKey("Language"), toggle == 1 ? 1 : 0);
        QCOMPARE(appliedSheet(), qMakePair(sheetBefore.first, toggle == 1 ? 1 : 0));
        if (toggle == 1)
            QVERIFY(shownTexts(m_window) != before);
    }
    QCOMPARE(shownTexts(m_window), before);
    QFile::remove(ModbusSetting::settingsFilePath());
    m_window->connectionPage()->loadSettings();
}

void tst_Language::currentPageAtOnceOtherPageOnEntry()
{
    apply(0, false);
    m_window->showPage(PageMainInterface);
    QWidget *current = m_window->page(PageMainInterface);
    QWidget *other = m_window->page(PageTestMaintain);
    const QStringList currentEnglish = shownTexts(current);
    const QStringList otherEnglish = shownTexts(other);

    QTest::mouseClick(button("Btn_ChangeLanguage"), Qt::LeftButton);
    // Texts that were empty are filled in by the page itself, not by the form.
    const auto expected = [](const char *context, const QStringList &english, const QStringList &shown) {
        QStringList texts;
        for (int i = 0; i < english.size(); ++i)
            texts << (english.at(i).isEmpty() ? shown.value(i)
                                              : QCoreApplication::translate(context, english.at(i).toUtf8().constData()));
        return texts;
    };
    const QStringList currentShown = shownTexts(current);
    QVERIFY(currentShown != currentEnglish);
    QCOMPARE(currentShown, expected("MainInterface", currentEnglish, currentShown));

    m_window->showPage(PageTestMaintain);
    const QStringList otherShown = shownTexts(other);
    QVERIFY(otherShown != otherEnglish);
    QCOMPARE(otherShown, expected("TestMaintain", otherEnglish, otherShown));
    m_window->disconnectModbus();
}

void tst_Language::errorLineInAppliedLanguage_data()
{
    QTest::addColumn<int>("applied");
    QTest::addColumn<int>("inFile");
    QTest::newRow("English shown, Chinese in setting.ini") << 0 << 1;
    QTest::newRow("Chinese shown, English in setting.ini") << 1 << 0;
}

void tst_Language::errorLineInAppliedLanguage()
{
    QFETCH(int, applied);
    QFETCH(int, inFile);
    if (!modbusClient())
        QVERIFY(EditorDriver::connectForManualTicks(m_window, m_sim));
    apply(applied, false);
    // setting.ini changed behind the window's back, and read again.
    {
        QSettings ini(ModbusSetting::settingsFilePath(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("R7/Language"), inFile);
    }
    m_window->connectionPage()->loadSettings();
    QCOMPARE(g_language, inFile);

    // 0x00000108: bits 3 and 8, the lowest one is shown.
    QVERIFY2(m_sim.command(QStringLiteral("errbits 0x108")), qPrintable(m_sim.lastAnswer()));
    m_window->onTick();
    const ErrorMessage &message = ErrorMessages[3];
    QCOMPARE(label("label_ErrorMessage_1")->text(),
             QString::fromUtf8(applied ? message.chinese : message.english));

    QVERIFY2(m_sim.command(QStringLiteral("errbits 0")), qPrintable(m_sim.lastAnswer()));
    m_window->onTick();
    QCOMPARE(label("label_ErrorMessage_1")->text(), applied ? QStringLiteral("无") : QStringLiteral("None"));

    // A toggle redraws the line in the new language at once.
    QTest::mouseClick(button("Btn_ChangeLanguage"), Qt::LeftButton);
    QCOMPARE(label("label_ErrorMessage_1")->text(), applied ? QStringLiteral("None") : QStringLiteral("无"));
}

void tst_Language::liveTextsReadOnBothThemes()
{
    if (!modbusClient())
        QVERIFY(EditorDriver::connectForManualTicks(m_window, m_sim));
    // What is not 4.5:1 against its background, for the status and a header value.
    const auto unreadable = [this] {
        QStringList found;
        for (QLabel *l : {label("label_ConnectState"), label("labelweight_1")}) {
            const QColor text = l->palette().color(l->foregroundRole());
            const QColor background = l->palette().color(QPalette::Window);
            const double ratio = contrast(text, background);
            if (ratio < 4.5)
                found << QStringLiteral("%1: %2 on %3, %4:1")
                             .arg(l->objectName(), text.name(), background.name())
                             .arg(ratio, 0, 'f', 2);
        }
        return found.join(QLatin1String("; "));
    };
    apply(g_language, false);
    m_window->onTick();
    QCOMPARE(label("label_ConnectState")->text(), QCoreApplication::translate("MainWindow", "Communication-Normal"));
    QVERIFY2(unreadable().isEmpty(), qPrintable(unreadable()));
    // The colours follow a theme switch at once, not only with the next tick.
    QTest::mouseClick(button("Btn_ChangeColor"), Qt::LeftButton);
    QVERIFY2(unreadable().isEmpty(), qPrintable(unreadable()));
    m_window->onTick();
    QVERIFY2(unreadable().isEmpty(), qPrintable(unreadable()));
}

QTEST_MAIN(tst_Language)
#include "tst_language.moc"
