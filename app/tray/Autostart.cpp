#include "tray/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace orvel::Autostart {

namespace {

// The installed program is started by name, so that the entry survives a reinstall elsewhere
// on PATH; any other build is started by its own path.
QString program() {
    const auto self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const auto installed = QStandardPaths::findExecutable("orvel-app");
    return !installed.isEmpty() && QFileInfo(installed).canonicalFilePath() == self ? "orvel-app" : self;
}

// The Exec key's syntax: a path with reserved characters goes in double quotes with ", `, $
// and \ escaped, "%" is doubled, and the value itself escapes its backslashes once more.
QString execValue(QString path) {
    static const QRegularExpression reserved(R"([\s"'\\><~|&;$*?#()`])");
    if (path.contains(reserved)) {
        path.replace(QRegularExpression(R"(([\\"`$]))"), R"(\\1)");
        path = '"' + path + '"';
    }
    return path.replace('%', "%%").replace('\\', "\\\\");
}

} // namespace

QString entryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart/orvel.desktop";
}

bool isEnabled() { return QFileInfo::exists(entryPath()); }

bool setEnabled(bool enabled) {
    const auto path = entryPath();
    if (!enabled) return !QFileInfo::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).path())) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const auto entry = QString("[Desktop Entry]\n"
                               "Type=Application\n"
                               "Name=Orvel\n"
                               "Comment=Decode tokens, certificates, hashes and encoded blobs on your own machine\n"
                               "Exec=%1 --hidden\n"
                               "Icon=orvel\n"
                               "Terminal=false\n"
                               "X-GNOME-Autostart-enabled=true\n")
                           .arg(execValue(program()));
    file.write(entry.toUtf8());
    return file.commit();
}

} // namespace orvel::Autostart
