#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

// Checks the Chinese catalogue against the sources as they are now, so that a
// text added to a form or a tr() call without its translation fails here and
// not in front of an operator. The build itself never fails on it.

namespace {

struct Message
{
    QString context;
    QString source;
    QString comment;
    QString translation;
    QString type; // "unfinished", "vanished", "obsolete" or empty
};

QVector<Message> readCatalogue(const QString &path, QString *error)
{
    QVector<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QStringRef name = xml.name();
        if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            message = Message();
            message.context = context;
        } else if (name == QLatin1String("source")) {
            message.source = xml.readElementText();
        } else if (name == QLatin1String("comment")) {
            message.comment = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            message.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            messages << message;
        }
    }
    if (xml.hasError())
        *error = QStringLiteral("%1 at line %2").arg(xml.errorString()).arg(xml.lineNumber());
    return messages;
}

const QString SourceDir = QStringLiteral(R7_SOURCE_DIR);
const QString ChineseTs = SourceDir + QStringLiteral("/Translate/Language_CN.ts");

} // namespace

class tst_Catalogue : public QObject
{
    Q_OBJECT

private slots:
    void everyTextHasChinese();
    void compiledCatalogues();
};

void tst_Catalogue::everyTextHasChinese()
{
    // lupdate on a copy: the texts of the sources now, with the translations
    // the catalogue has for them.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString copy = dir.filePath(QStringLiteral("Language_CN.ts"));
    QVERIFY(QFile::copy(ChineseTs, copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

    QStringList arguments = {QStringLiteral("-locations"), QStringLiteral("none"), QStringLiteral("-no-obsolete")};
    for (const char *folder : {"main", "Modbus", "App", "Excel", "Warning"}) {
        const QString path = SourceDir + QLatin1Char('/') + QLatin1String(folder);
        if (QDir(path).exists())
            arguments << path;
    }
    arguments << QStringLiteral("-ts") << copy;
    QProcess lupdate;
    lupdate.start(QStringLiteral(R7_LUPDATE), arguments);
    QVERIFY2(lupdate.waitForFinished(120000), qPrintable(lupdate.errorString()));
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0,
             lupdate.readAllStandardError().constData());

    QString error;
    const QVector<Message> messages = readCatalogue(copy, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(!messages.isEmpty());

    QStringList missing;
    for (const Message &m : messages) {
        const QString where = QStringLiteral("%1: \"%2\"").arg(m.context, m.source);
        if (!m.type.isEmpty() || m.translation.trimmed().isEmpty())
            missing << where + QStringLiteral(" has no finished translation");
        else if (m.translation == m.source)
            missing << where + QStringLiteral(" is translated as itself: mark it notr or leave tr() off");
    }
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("%1 texts:\n").arg(missing.size())
                                           + missing.join(QLatin1Char('\n'))));
}

void tst_Catalogue::compiledCatalogues()
{
    // The .qm files come from the .ts files at build time: every finished
    // translation of the source must be in the compiled Chinese catalogue.
    QString error;
    const QVector<Message> messages = readCatalogue(ChineseTs, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QTranslator chinese;
    QVERIFY(chinese.load(QStringLiteral(":/Translate/Language_CN.qm")));
    int checked = 0;
    for (const Message &m : messages) {
        if (!m.type.isEmpty() || m.translation.isEmpty())
            continue;
        const QByteArray comment = m.comment.toUtf8();
        QCOMPARE(chinese.translate(m.context.toUtf8().constData(), m.source.toUtf8().constData(),
                                   comment.isEmpty() ? nullptr : comment.constData()),
                 m.translation);
        ++checked;
    }
    QVERIFY(checked > 0);

    // English shows the source texts: its catalogue translates nothing.
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/Translate/Language_EN.qm")));
    QVERIFY(english.isEmpty());
}

QTEST_MAIN(tst_Catalogue)
#include "tst_catalogue.moc"
