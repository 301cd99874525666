#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

// The catalogues against the texts of the sources as they are now: a text
// without its Chinese fails here, not in front of an operator.
class tst_Catalogue : public QObject
{
    Q_OBJECT

private slots:
    void everyTextHasChinese();
};

void tst_Catalogue::everyTextHasChinese()
{
    // lupdate on a copy: the texts of the sources, with the translations the catalogue has.
    const QString sources = QStringLiteral(R7_SOURCE_DIR);
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("Language_CN.ts"));
    QVERIFY(QFile::copy(sources + QStringLiteral("/Translate/Language_CN.ts"), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    QStringList arguments = {QStringLiteral("-locations"), QStringLiteral("none"), QStringLiteral("-no-obsolete")};
    for (const char *folder : {"/Base", "/main", "/Modbus", "/App", "/Excel", "/Warning"})
        arguments << sources + QLatin1String(folder);
    QProcess lupdate;
    lupdate.start(QStringLiteral(R7_LUPDATE), arguments << QStringLiteral("-ts") << copy);
    QVERIFY2(lupdate.waitForFinished(120000) && lupdate.exitStatus() == QProcess::NormalExit && !lupdate.exitCode(),
             lupdate.readAllStandardError().constData());

    // Each text has a finished translation of its own, in the compiled catalogue too.
    QTranslator chinese;
    QVERIFY(chinese.load(QStringLiteral(":/Translate/Language_CN.qm")));
    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QByteArray context, source, comment;
    QStringList missing;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText().toUtf8();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText().toUtf8();
        } else if (xml.name() == QLatin1String("comment")) {
            comment = xml.readElementText().toUtf8();
        } else if (xml.name() == QLatin1String("translation")) {
            const bool finished = xml.attributes().value(QLatin1String("type")).isEmpty();
            const QString translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            const QString where = QString::fromUtf8(context + ": \"" + source + '"');
            if (!finished || translation.trimmed().isEmpty() || translation == QString::fromUtf8(source))
                missing << where + QStringLiteral(" has no finished translation of its own (or mark it notr)");
            else if (chinese.translate(context, source, comment.constData()) != translation)
                missing << where + QStringLiteral(" is not in the compiled catalogue");
            comment.clear();
        }
    }
    QVERIFY2(!xml.hasError() && !context.isEmpty(), qPrintable(xml.errorString()));
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("%1 texts:\n").arg(missing.size()) + missing.join('\n')));

    // English shows the source texts: its catalogue translates nothing.
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/Translate/Language_EN.qm")) && english.isEmpty());
}

QTEST_MAIN(tst_Catalogue)
#include "tst_catalogue.moc"
