#include "tools/Arguments.h"

namespace velmora::tool {

Result Arguments::Parse(const std::vector<std::string>& args, const OptionSet& options) {
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (optionsEnded || word.size() < 2 || word.compare(0, 2, "--") != 0) {
      if (!optionsEnded && word.size() > 1 && word[0] == '-' && word != "-") {
        return Result::Fail("unknown option " + word);
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
        return Result::Fail("option " + name + " takes no value");
      }
      if (!flags_.insert(name).second) {
        return Result::Fail("option " + name + " given twice");
      }
      continue;
    }
    if (!options.valued.count(name)) {
      return Result::Fail("unknown option " + name);
    }
    if (values_.count(name)) {
      return Result::Fail("option " + name + " given twice");
    }
    if (inlineValue) {
      values_[name] = *inlineValue;
    } else if (i + 1 < args.size()) {
      values_[name] = args[++i];
    } else {
      return Result::Fail("option " + name + " needs a value");
    }
  }
  return Result::Ok();
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
