#pragma once
// The configuration file: a Configuration as JSON text and back. The one
// reader of configuration files for the window and tq740ctl alike.

#include <string>
#include <vector>

#include "model/configuration.h"

namespace config_json {

// The file's text: groups com1..com4 and master, drop-down values as their
// list texts (a value outside its list as its number), one order a line.
std::string write(const Configuration& config);

// Reads a file's text. Refuses, with one line per problem naming the field:
// text that is not JSON, duplicate keys, unknown, missing or wrongly typed
// fields, numbers that are not whole, texts in no list, and whatever the
// registers cannot hold (Configuration::encodingProblems). A drop-down value
// may also be a bare number outside its list, as a read of such a module
// writes it. out is changed only on success.
bool read(const std::string& text, Configuration& out, std::vector<std::string>& problems);

}  // namespace config_json
