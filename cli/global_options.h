// Options that every command takes (--json, and --dir for those with a profile) may also come
// before the command's name: "kelvo --json speakers" is "kelvo speakers --json".
#pragma once

#include <string>
#include <vector>

namespace kelvo_cli {

// The arguments with every --json, --dir DIR and --dir=DIR that stands before the command's
// name moved to just after it. Anything else before the name (--help, --version, an unknown
// option) ends the moving: the rest stays as it was, for the parser to judge.
std::vector<std::string> CommandFirst(const std::vector<std::string>& arguments);

}  // namespace kelvo_cli
