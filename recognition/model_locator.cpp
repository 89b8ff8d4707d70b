#include "recognition/model_locator.h"

#include <cstdlib>
#include <system_error>

namespace vardo {

namespace fs = std::filesystem;

std::vector<fs::path> modelSearchDirectories()
{
    std::vector<fs::path> dirs;
    if (const char *overrideDir = std::getenv("NEROVA_VARDO_MODEL_DIR"); overrideDir && *overrideDir)
        dirs.emplace_back(overrideDir);

    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (!error)
        dirs.push_back(executable.parent_path() / "models");
#ifdef VARDO_BUILD_TREE_MODEL_DIR
    dirs.emplace_back(VARDO_BUILD_TREE_MODEL_DIR);
#endif

    if (const char *dataHome = std::getenv("XDG_DATA_HOME"); dataHome && *dataHome)
        dirs.push_back(fs::path(dataHome) / "NerovaVardo" / "models");
    else if (const char *home = std::getenv("HOME"); home && *home)
        dirs.push_back(fs::path(home) / ".local" / "share" / "NerovaVardo" / "models");
    dirs.emplace_back("/usr/share/nerova-vardo/models");
    return dirs;
}

std::optional<fs::path> findModelFile(std::string_view fileName)
{
    for (const auto &dir : modelSearchDirectories()) {
        std::error_code error;
        const fs::path candidate = dir / fileName;
        if (fs::is_regular_file(candidate, error))
            return candidate;
    }
    return std::nullopt;
}

} // namespace vardo
