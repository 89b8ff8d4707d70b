#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace vardo {

// Folders searched for model files, in order: $NEROVA_VARDO_MODEL_DIR when set,
// models/ next to the executable, the build tree's models folder,
// ~/.local/share/NerovaVardo/models ($XDG_DATA_HOME when set) and
// /usr/share/nerova-vardo/models.
std::vector<std::filesystem::path> modelSearchDirectories();

// The first existing regular file of that name in the folders above.
std::optional<std::filesystem::path> findModelFile(std::string_view fileName);

} // namespace vardo
