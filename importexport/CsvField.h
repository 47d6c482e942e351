// Fields of comma-separated files as export and mail merge write them.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// "value" with every double quote doubled.
std::string CsvField(std::string_view value);

}  // namespace velmora
