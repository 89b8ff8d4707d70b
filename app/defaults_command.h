#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vardo {

class DefaultsStore;

// `nerova-vardo defaults read [KEY]`, `write KEY -int|-float|-bool|-string VALUE`,
// `delete KEY`, `keys`: the settings store from the command line, for users and scripts.
// A write must name a known key and give a value of its type inside its range.
// Returns the process exit status.
int runDefaultsCommand(const std::vector<std::string> &args, DefaultsStore &store, std::ostream &out,
                       std::ostream &err);

} // namespace vardo
