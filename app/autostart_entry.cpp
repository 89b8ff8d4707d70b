#include "app/autostart_entry.h"

#include "platform/log_sink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace vardo {

namespace {

const QString entryName = QStringLiteral("com.nerova.vardo.desktop");

} // namespace

AutostartEntry::AutostartEntry(QString executable, LogSink &log, QString configHome)
    : executable_(std::move(executable)), log_(log), configHome_(std::move(configHome))
{
}

QString AutostartEntry::defaultConfigHome()
{
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString AutostartEntry::path() const
{
    return configHome_ + QStringLiteral("/autostart/") + entryName;
}

bool AutostartEntry::isEnabled() const
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    bool inMainGroup = false;
    while (!in.atEnd()) {
        QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        else if (inMainGroup && line.remove(QLatin1Char(' ')) == QLatin1String("Hidden=true"))
            return false;
    }
    return true;
}

QString AutostartEntry::quotedExecArgument(const QString &path)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (QChar c : path)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString escaped;
    for (QChar c : path) {
        if (c == QLatin1Char('%'))
            escaped += QLatin1String("%%"); // a field code otherwise
        else if (needsQuotes && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
                                 || c == QLatin1Char('\\')))
            escaped += QLatin1Char('\\') + QString(c);
        else
            escaped += c;
    }
    QString quoted = needsQuotes ? QLatin1Char('"') + escaped + QLatin1Char('"') : escaped;
    // The value of a desktop entry key escapes its backslashes once more.
    return quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
}

QString AutostartEntry::contents() const
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Nerova Vardo\n"
                          "Comment=Guards your screen through the webcam\n"
                          "Exec=%1 --background\n"
                          "Icon=com.nerova.vardo\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(quotedExecArgument(executable_));
}

bool AutostartEntry::setEnabled(bool enabled)
{
    const QString file = path();
    if (!enabled) {
        if (!QFileInfo::exists(file) || QFile::remove(file))
            return true;
        log_.write("[Vardo] Could not remove the autostart entry " + file.toStdString());
        return false;
    }
    if (!QDir().mkpath(QFileInfo(file).path())) {
        log_.write("[Vardo] Could not create the folder of the autostart entry " + file.toStdString());
        return false;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text) || out.write(contents().toUtf8()) < 0 || !out.commit()) {
        log_.write("[Vardo] Could not write the autostart entry " + file.toStdString() + ": "
                   + out.errorString().toStdString());
        return false;
    }
    return true;
}

} // namespace vardo
