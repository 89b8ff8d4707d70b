#pragma once

#include <QString>

namespace vardo {

class LogSink;

// The XDG autostart entry that starts Nerova Vardo at login:
// $XDG_CONFIG_HOME/autostart/com.nerova.vardo.desktop (~/.config when unset). It is
// written whole into a temporary file and renamed into place, and removed by one
// unlink, so a desktop reading the folder at login never sees half an entry.
class AutostartEntry {
public:
    // `executable`: the program the entry starts (this one, wherever it is installed).
    AutostartEntry(QString executable, LogSink &log, QString configHome = defaultConfigHome());

    static QString defaultConfigHome();
    QString path() const;

    // True when the entry exists and is not hidden (a desktop that turns an entry off
    // writes Hidden=true into it).
    bool isEnabled() const;

    // Writes or removes the entry. False, with one log line, when the file system
    // refuses; the entry is then as it was.
    bool setEnabled(bool enabled);

    // The entry's text.
    QString contents() const;

    // `path` quoted for an Exec line of a desktop entry.
    static QString quotedExecArgument(const QString &path);

private:
    QString executable_;
    LogSink &log_;
    QString configHome_;
};

} // namespace vardo
