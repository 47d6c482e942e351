#include "tools/Arguments.h"

namespace velmora::tool {

bool Arguments::Parse(const std::vector<std::string>& args, const OptionSet& options) {
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (optionsEnded || word.size() < 2 || word.compare(0, 2, "--") != 0) {
      if (!optionsEnded && word.size() > 1 && word[0] == '-' && word != "-") {
        error_ = "unknown option " + word;
        return false;
      }
      positional_.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = word;
    std::optional<std::string> inlineValue;
    if (auto eq = word.find('='); eq != std::string::npos) {
      name = word.substr(0, eq);
      inlineValue = word.substr(eq + 1);
    }
    if (options.flags.count(name)) {
      if (inlineValue) {
        error_ = "option " + name + " takes no value";
        return false;
      }
      if (!flags_.insert(name).second) {
        error_ = "option " + name + " given twice";
        return false;
      }
      continue;
    }
    if (!options.valued.count(name)) {
      error_ = "unknown option " + name;
      return false;
    }
    if (values_.count(name)) {
      error_ = "option " + name + " given twice";
      return false;
    }
    if (inlineValue) {
      values_[name] = *inlineValue;
    } else if (i + 1 < args.size()) {
      values_[name] = args[++i];
    } else {
      error_ = "option " + name + " needs a value";
      return false;
    }
  }
  return true;
}

std::optional<std::string> Arguments::Value(const std::string& option) const {
  auto found = values_.find(option);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::string Arguments::ValueOr(const std::string& option, const std::string& fallback) const {
  return Value(option).value_or(fallback);
}

}  // namespace velmora::tool
