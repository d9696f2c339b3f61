// Wine has no Win32_Process.Terminate, so what Windows answers through ExecMethod cannot be
// produced here; its reading is checked against the documented codes instead.
#include <gtest/gtest.h>

#include "platform/win32/terminate_outcome.h"

namespace tambrel::win32 {
namespace {

using Kind = TerminateCallOutcome::Kind;

constexpr std::int32_t hr(std::uint32_t value) {
  return static_cast<std::int32_t>(value);
}

TEST(TerminateCallOutcome, SuccessWithReturnValueZeroHasEnded) {
  EXPECT_EQ(terminate_outcome(0, 0L).kind, Kind::kEnded);
  EXPECT_EQ(terminate_outcome(0, std::nullopt).kind, Kind::kEnded);
  // Gone between the query and the call: WBEM_E_NOT_FOUND.
  EXPECT_EQ(terminate_outcome(hr(0x80041002), std::nullopt).kind, Kind::kGone);
}

TEST(TerminateCallOutcome, MissingMethodAsksForTheDirectWay) {
  EXPECT_EQ(terminate_outcome(hr(0x8004102E), std::nullopt).kind, Kind::kNotImplemented);
  EXPECT_EQ(terminate_outcome(hr(0x8004100C), std::nullopt).kind, Kind::kNotImplemented);
  EXPECT_EQ(terminate_outcome(hr(0x80041055), std::nullopt).kind, Kind::kNotImplemented);
}

TEST(TerminateCallOutcome, RefusalsSayWhy) {
  const auto denied = terminate_outcome(0, 2L);
  EXPECT_EQ(denied.kind, Kind::kFailed);
  EXPECT_EQ(denied.failure, "Win32_Process.Terminate failed: Access denied");
  EXPECT_EQ(terminate_outcome(0, 3L).failure,
            "Win32_Process.Terminate failed: Insufficient privilege");
  EXPECT_EQ(terminate_outcome(0, 77L).failure, "Win32_Process.Terminate failed: return value 77");

  const auto refused = terminate_outcome(hr(0x80041003), std::nullopt);  // WBEM_E_ACCESS_DENIED
  EXPECT_EQ(refused.kind, Kind::kFailed);
  EXPECT_EQ(refused.failure, "ExecMethod(Terminate) failed: 0x80041003");
}

}  // namespace
}  // namespace tambrel::win32
