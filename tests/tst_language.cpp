#include "main/errormessages.h"
#include "editordriver.h"
#include "testsupport.h"

#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <cmath>
// Language and theme switches of the main window; each test starts and ends in English on the dark theme.
class tst_Language : public QObject
{
    Q_OBJECT
    void click(const char *name) { QTest::mouseClick(m_window->findChild<QPushButton *>(name), Qt::LeftButton); }
    QSettings ini() const { return {ModbusSetting::settingsFilePath(), QSettings::IniFormat}; }
    QPair<int, int> appliedSheet() const // {light, Chinese} of the sheet shown, or {-1, -1}
    {
        for (int i = 0; i < 4; ++i) {
            QFile file(QStringLiteral(":/Qss/SheetStyle%1%2.qss").arg(i / 2 ? "White" : "", i % 2 ? "" : "_EN"));
            if (file.open(QIODevice::ReadOnly) && qApp->styleSheet() == QString::fromUtf8(file.readAll()))
                return {i / 2, i % 2};
        }
        return {-1, -1};
    }
    // Label and button texts, tool tips and combo box items, in a fixed order.
    static QStringList shownTexts(const QWidget *root)
    {
        QStringList texts;
        for (const QWidget *w : root->findChildren<QWidget *>()) {
            if (qobject_cast<const QLabel *>(w) || qobject_cast<const QAbstractButton *>(w))
                texts << w->property("text").toString();
            texts << w->toolTip();
            if (auto *combo = qobject_cast<const QComboBox *>(w))
                for (int i = 0; i < combo->count(); ++i)
                    texts << combo->itemText(i);
        }
        return texts;
    }
private slots:
    void initTestCase()
    {
        qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
        TestSupport::installMessageCollector();
        QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
        m_window = new MainWindow;
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        QCOMPARE(appliedSheet(), qMakePair(0, 0)); // no setting.ini yet
    }
    void cleanupTestCase() { delete m_window; }
    // With the start-up choice fixed in setting.ini, a toggle shows and saves the other language in the same
    // theme, on the page shown at once and on the others when entered; a theme toggle keeps the language.
    void toggles()
    {
        for (const char *key : {"Config/Startup", "Config/UIMode"})
            ini().setValue(QLatin1String(key), 1);
        connectionPageOf(m_window)->loadSettings();
        m_window->applyStyle();
        QVector<QStringList> english(PageTestMaintain + 1);
        for (int page = PageTestMaintain; page >= PageMainInterface; --page) {
            m_window->showPage(page);
            english[page] = shownTexts(m_window->page(page));
        }
        click("Btn_ChangeLanguage");
        QCOMPARE(ini().value(QStringLiteral("R7/Language")).toInt(), 1);
        QCOMPARE(appliedSheet(), qMakePair(1, 1));
        for (int page = PageMainInterface; page <= PageTestMaintain; ++page) {
            if (page != PageMainInterface)
                m_window->showPage(page);
            const QStringList shown = shownTexts(m_window->page(page));
            const char *context = m_window->page(page)->metaObject()->className();
            QStringList expected; // a text empty in English is the page's own
            for (const QString &text : english.at(page))
                expected << (text.isEmpty() ? shown.value(expected.size()) : qApp->translate(context, text.toUtf8()));
            QCOMPARE(shown, expected);
        }
        click("Btn_ChangeColor");
        QCOMPARE(appliedSheet(), qMakePair(0, 1));
        QCOMPARE(ini().value(QStringLiteral("R7/UIMode")).toInt(), 0);
        click("Btn_ChangeLanguage");
        QCOMPARE(ini().value(QStringLiteral("R7/Language")).toInt(), 0);
        QCOMPARE(appliedSheet(), qMakePair(0, 0));
    }
    // The error line follows the language shown, not the one in setting.ini, and a toggle redraws it at once.
    // The state's colour is 4.5:1 (WCAG 2) against its background on both themes, and follows a theme switch either
    // way; a language switch redraws the state in the new language rather than the form's placeholder.
    void linkedLines()
    {
        QVERIFY(EditorDriver::connectForManualTicks(m_window, m_sim));
        QFile::remove(ModbusSetting::settingsFilePath()); // no fixed start-up choice
        QVERIFY(m_sim.command(QStringLiteral("errbits 0x108"))); // bits 3 and 8: the lowest is shown
        auto *line = m_window->findChild<QLabel *>(QStringLiteral("label_ErrorMessage_1"));
        for (int shown : {0, 1}) {
            ini().setValue(QStringLiteral("R7/Language"), 1 - shown);
            connectionPageOf(m_window)->loadSettings();
            QCOMPARE(g_language, 1 - shown);
            m_window->onTick();
            QCOMPARE(line->text(), QString::fromUtf8(shown ? ErrorMessages[3].chinese : ErrorMessages[3].english));
            click("Btn_ChangeLanguage");
            QCOMPARE(line->text(), QString::fromUtf8(shown ? ErrorMessages[3].english : ErrorMessages[3].chinese));
        }
        auto *state = m_window->findChild<QLabel *>(QStringLiteral("label_ConnectState"));
        const auto luminance = [state](QPalette::ColorRole role) {
            const QColor c = state->palette().color(role);
            const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
            return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF()) + 0.05;
        };
        m_window->onTick();
        click("Btn_ChangeLanguage");
        QCOMPARE(state->text(), qApp->translate("MainWindow", "Communication-Normal"));
        click("Btn_ChangeLanguage");
        for (int light : {0, 1, 0}) {
            if (appliedSheet().first != light)
                click("Btn_ChangeColor");
            QCOMPARE(appliedSheet(), qMakePair(light, 0));
            QCOMPARE(state->text(), QStringLiteral("Communication-Normal"));
            const double text = luminance(state->foregroundRole()), background = luminance(QPalette::Window);
            QVERIFY2(qMax(text, background) / qMin(text, background) >= 4.5, qPrintable(state->styleSheet()));
        }
    }
private:
    QTemporaryDir m_dir;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
};

QTEST_MAIN(tst_Language)
#include "tst_language.moc"
