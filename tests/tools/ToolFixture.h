// The fixture of the tool tests: a temp folder (also VELMORA_HOME), the tool
// run in it, and direct access to the files the tool writes.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ToolRunner.h"
#include "store/Bytes.h"
#include "store/Format.h"
#include "store/RecordStore.h"
#include "tests/support/Files.h"
#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora::testing {

// A message as the tool prints it: line breaks become single spaces.
inline std::string OneLineOf(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    line += (text[i] == '\r' || text[i] == '\n') ? ' ' : text[i];
  }
  return line;
}

class ToolTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string book = dir.File("book.adr");

  ToolRun Run(const std::vector<std::string>& args, const std::string& input = "") {
    return RunTool(dir.path(), args, input);
  }

  // Runs a command that must succeed.
  ToolRun Ok(const std::vector<std::string>& args, const std::string& input = "") {
    ToolRun run = Run(args, input);
    EXPECT_EQ(run.exitCode, 0) << args.front() << ": " << run.err;
    return run;
  }

  nlohmann::json Info(const std::string& path) {
    std::vector<nlohmann::json> lines = Ok({"info", path}).Json();
    return lines.size() == 1 ? lines[0] : nlohmann::json();
  }

  std::vector<nlohmann::json> List(const std::string& path, const std::string& password = "") {
    std::vector<std::string> args{"list", path};
    if (!password.empty()) args.insert(args.end(), {"--password", password});
    return Ok(args).Json();
  }

  // Writes the three passwords into the file header.
  static void SetPasswords(const std::string& path, const std::string& owner, const std::string& assistant,
                           const std::string& reader) {
    RecordStore store(path, owner);
    testing::SetPasswords(store, {owner, assistant, reader});
  }

  static uint64_t SlotPosition(uint32_t recordSize, uint64_t index) {
    return format::kFirstSlotOffset + index * recordSize;
  }

  // Overwrites bytes of a file in place, as a crash or a foreign tool might.
  static void Patch(const std::string& path, uint64_t offset, const Bytes& bytes) {
    ASSERT_TRUE(PatchFile(path, offset, bytes));
  }
  static void PatchI32(const std::string& path, uint64_t offset, int32_t value) {
    Bytes bytes(4);
    PutI32(bytes.data(), value);
    Patch(path, offset, bytes);
  }
  static void Append(const std::string& path, size_t count) {
    std::ofstream file(path, std::ios::app | std::ios::binary);
    file << std::string(count, '\x01');
  }
  static uint64_t HeaderFieldOffset(uint32_t headerOffset) { return format::kHeaderOffset + headerOffset; }
};

}  // namespace velmora::testing
