#include "platform/session_locker_displaymanager.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdlib>

namespace vardo {

namespace {

struct SessionTool {
    const char *name;
    QStringList arguments;
    std::string path; // where it was found
};

// In order of preference: switching to the greeter keeps the session running and asks
// for the password at the display manager, the closest match to a session suspend. The
// desktop locker comes last because it only works when a locker listens to logind.
std::optional<SessionTool> findTool(const std::vector<std::string> &searchDirectories)
{
    static const SessionTool preferred[] = {
        {"dm-tool", {QStringLiteral("switch-to-greeter")}, {}},
        {"gdmflexiserver", {}, {}},
        {"loginctl", {QStringLiteral("lock-session")}, {}},
    };
    for (const SessionTool &tool : preferred) {
        for (const std::string &dir : searchDirectories) {
            const QFileInfo file(QDir(QString::fromStdString(dir)), QString::fromLatin1(tool.name));
            if (file.isFile()) {
                SessionTool found = tool;
                found.path = file.absoluteFilePath().toStdString();
                return found;
            }
        }
    }
    return std::nullopt;
}

} // namespace

DisplayManagerSessionLocker::DisplayManagerSessionLocker()
    : searchDirectories_(defaultSearchDirectories())
{
}

DisplayManagerSessionLocker::DisplayManagerSessionLocker(std::vector<std::string> searchDirectories)
    : searchDirectories_(std::move(searchDirectories))
{
}

std::vector<std::string> DisplayManagerSessionLocker::defaultSearchDirectories()
{
    std::vector<std::string> dirs;
    // Relative entries ("." and the like) are skipped: the lock must not run whatever
    // "dm-tool" happens to lie in the current directory.
    if (const char *path = std::getenv("PATH")) {
        for (const QString &dir : QString::fromLocal8Bit(path).split(u':', Qt::SkipEmptyParts))
            if (dir.startsWith(u'/'))
                dirs.push_back(dir.toStdString());
    }
    for (const char *dir : {"/usr/local/bin", "/usr/bin", "/bin", "/usr/sbin", "/sbin"})
        dirs.emplace_back(dir);
    return dirs;
}

std::optional<std::string> DisplayManagerSessionLocker::toolPath() const
{
    if (auto tool = findTool(searchDirectories_))
        return tool->path;
    return std::nullopt;
}

SessionLocker::LaunchResult DisplayManagerSessionLocker::launch()
{
    const auto tool = findTool(searchDirectories_);
    if (!tool)
        return {false, "no session lock tool found"};

    // Detached: the tool is never waited for and outlives the call; whether the display
    // then switches is between the tool and the display manager.
    QProcess process;
    process.setProgram(QString::fromStdString(tool->path));
    process.setArguments(tool->arguments);
    if (!process.startDetached())
        return {false, process.errorString().toStdString()};
    return {true, {}};
}

} // namespace vardo
