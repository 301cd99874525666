#include "Base/apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace AppPaths {

namespace {

const char InstalledData[] = "/../share/r7config";

bool hasTemplates(const QString &base)
{
    return QFileInfo(base + QStringLiteral("/template")).isDir();
}

// Permission bits do not tell about read-only mounts or ACLs: try it.
bool writableFolder(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    QTemporaryFile probe(folder + QStringLiteral("/.r7probe-XXXXXX"));
    return probe.open();
}

// The user's folder of that kind for this program. Named after the program
// rather than the running executable, so the tools and tests that link it
// share it with r7config.
QString userFolder(QStandardPaths::StandardLocation kind, const QString &fallback)
{
    QString base = QStandardPaths::writableLocation(kind);
    if (base.isEmpty())
        return QDir::homePath() + fallback;
    return base + QStringLiteral("/r7config");
}

} // namespace

QString templateBase(const QString &appDir)
{
    if (hasTemplates(appDir))
        return appDir;
    const QString installed = QDir::cleanPath(appDir + QLatin1String(InstalledData));
    if (hasTemplates(installed))
        return installed;
    return appDir;
}

bool isInstalled(const QString &appDir)
{
    return templateBase(appDir) != appDir;
}

QString settingsDirectory(const QString &appDir)
{
    const QString overridden = qEnvironmentVariable("R7CONFIG_SETTINGS_DIR");
    if (!overridden.isEmpty())
        return overridden;
    if (!isInstalled(appDir) && writableFolder(appDir))
        return appDir;
    const QString folder = userFolder(QStandardPaths::GenericConfigLocation, QStringLiteral("/.config/r7config"));
    QDir().mkpath(folder);
    return folder;
}

QString exportBase(const QString &appDir)
{
    if (!isInstalled(appDir) && writableFolder(appDir + QStringLiteral("/export")))
        return appDir;
    const QString folder = userFolder(QStandardPaths::GenericDataLocation, QStringLiteral("/.local/share/r7config"));
    QDir().mkpath(folder + QStringLiteral("/export"));
    return folder;
}

QString settingsFileNote(const QString &path)
{
    return QCoreApplication::translate("AppPaths", "Settings: %1").arg(QDir::toNativeSeparators(path));
}

} // namespace AppPaths
