#ifndef APPPATHS_H
#define APPPATHS_H

#include <QString>

// Where the program finds its templates and keeps its files. A program run
// from its own folder (a build, an unpacked archive: "template" beside the
// executable) keeps "setting.ini" and "export" there. An installed program
// (bin/ with the templates in ../share/r7config/template), or one whose folder
// cannot be written, keeps them in the user's configuration and data folders:
// even a program run by root must not write into a folder the package
// manager owns.
namespace AppPaths {

// The folder that holds "template": appDir when its "template" exists,
// otherwise appDir/../share/r7config when that holds one, otherwise appDir
// (so a missing template is reported where it was expected first).
QString templateBase(const QString &appDir);

// True when the templates come from ../share/r7config rather than from
// beside the executable.
bool isInstalled(const QString &appDir);

// Folder of "setting.ini": R7CONFIG_SETTINGS_DIR when set; appDir for a
// program run from its own writable folder; otherwise the user's
// configuration folder (~/.config/r7config).
QString settingsDirectory(const QString &appDir);

// Folder below which "export" lies, made when missing: appDir for a program
// run from its own folder when "export" can be written there; otherwise the
// user's data folder (~/.local/share/r7config).
QString exportBase(const QString &appDir);

// The line of the connection page that names the settings file in use.
QString settingsFileNote(const QString &path);

} // namespace AppPaths

#endif // APPPATHS_H
