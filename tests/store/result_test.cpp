#include "store/Result.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <type_traits>

namespace velmora {
namespace {

TEST(ResultTest, ACodeBecomesAResultOnlyWhenAskedFor) {
  static_assert(!std::is_convertible_v<int, Result>);
  EXPECT_TRUE(Result::Ok().ok());
  EXPECT_EQ(Result(kReaderRefused).code(), kReaderRefused);
  EXPECT_FALSE(Result(kReaderRefused).ok());
  EXPECT_FALSE(Result().ok());
  const Result failed = Result::Fail("Cannot write", ENOSPC, "/tmp/book.adr");
  EXPECT_EQ(failed.Message(), "Cannot write \"/tmp/book.adr\": " + SystemErrorText(ENOSPC));
  EXPECT_EQ(failed.Reworded("Cannot save").Message(), "Cannot save \"/tmp/book.adr\": " + SystemErrorText(ENOSPC));
}

TEST(ResultOfTest, CarriesTheValueOrTheFailure) {
  const ResultOf<std::string> value = std::string("text");
  ASSERT_TRUE(value.ok());
  EXPECT_TRUE(value.result().ok());
  EXPECT_EQ(value.value(), "text");
  EXPECT_EQ(value->size(), 4u);

  const ResultOf<std::string> failed = Result::Fail("Cannot read", EIO, "/tmp/book.adr");
  EXPECT_FALSE(failed.ok());
  EXPECT_EQ(failed.result().sysError(), EIO);
  EXPECT_EQ(failed.Message(), Result::Fail("Cannot read", EIO, "/tmp/book.adr").Message());

  // A success without a value would leave value() empty: it is a failure.
  const ResultOf<int> empty = Result::Ok();
  EXPECT_FALSE(empty.ok());
  EXPECT_FALSE(empty.result().ok());
  EXPECT_FALSE(empty.Message().empty());
}

TEST(ResultOfTest, AMoveOnlyValueIsMovedOut) {
  ResultOf<std::unique_ptr<int>> owned = std::make_unique<int>(7);
  ASSERT_TRUE(owned.ok());
  std::unique_ptr<int> taken = std::move(owned).value();
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(*taken, 7);
}

}  // namespace
}  // namespace velmora
