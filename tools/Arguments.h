// The command line of one subcommand: positional words and "--name value"
// options ("--name=value" works too); "--" ends the options, so a file name
// may begin with a dash.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "store/Result.h"

namespace velmora::tool {

struct OptionSet {
  std::set<std::string> valued;  // options that take a value, e.g. "--password"
  std::set<std::string> flags;   // options without a value, e.g. "--examples"
};

class Arguments {
 public:
  // Parses args against options; a failure saying what is wrong on an
  // unknown option, a missing value or an option given twice.
  Result Parse(const std::vector<std::string>& args, const OptionSet& options);

  const std::vector<std::string>& positional() const { return positional_; }
  bool Has(const std::string& flag) const { return flags_.count(flag) != 0; }
  std::optional<std::string> Value(const std::string& option) const;
  std::string ValueOr(const std::string& option, const std::string& fallback) const;

 private:
  std::vector<std::string> positional_;
  std::set<std::string> flags_;
  std::map<std::string, std::string> values_;
};

}  // namespace velmora::tool
