#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "Helpers/Assert.h"
#include "Helpers/ErrorReport.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Thread.h"

namespace {

TEST(Clock, TickCountWrapsAt32BitsAndDifferencesSurviveTheWrap) {
  const std::uint32_t before = platform::TickCountFromMilliseconds(0xFFFFFFF0ull);
  const std::uint32_t after = platform::TickCountFromMilliseconds(0x100000010ull);
  EXPECT_EQ(platform::TicksBetween(before, after), 0x20u);

  const std::uint32_t start = platform::GetTickCount();
  const std::int64_t counterStart = platform::QueryPerformanceCounter();
  platform::SleepMs(20);
  EXPECT_GE(platform::TicksBetween(start, platform::GetTickCount()), 19u);
  EXPECT_GE(platform::QueryPerformanceCounter() - counterStart,
            platform::QueryPerformanceFrequency() / 1000 * 19);
}

std::atomic<int> g_threadRuns{0};
unsigned CountRun(void*) {
  g_threadRuns.fetch_add(1);
  return 0;
}
[[maybe_unused]] unsigned SleepForever(void*) {
  for (;;) platform::SleepMs(1);
}

TEST(Thread, RunsJoinsAndCanBeCancelledWhileSleeping) {
  platform::CThread thread;
  ASSERT_TRUE(thread.Start(&CountRun, nullptr));
  thread.RaiseToHighestPriority();  // may be refused without privileges; never fatal
  thread.Join();
  EXPECT_EQ(g_threadRuns.load(), 1);
  EXPECT_FALSE(thread.IsRunning());

#ifndef SPANORA_SANITIZED  // ASan cannot follow the forced unwinding of a cancelled thread
  platform::CThread stuck;
  ASSERT_TRUE(stuck.Start(&SleepForever, nullptr));
  stuck.Terminate();
  EXPECT_FALSE(stuck.IsRunning());
#endif
}

std::string g_lastBox;
std::string g_lastDebug;
int g_boxes = 0;
platform::EMessageAnswer RecordBox(const char*, const char* text, platform::EMessageButtons, platform::EMessageIcon) {
  ++g_boxes;
  g_lastBox = text;
  return platform::EMessageAnswer::Ok;
}
void RecordDebug(const char* text) { g_lastDebug = text; }

TEST(Assert, ReportsOnceWithFileLineFunctionAndExpressionThenCarriesOn) {
  auto oldBox = platform::SetMessageBoxHandler(&RecordBox);
  auto oldDebug = platform::SetDebugOutputHandler(&RecordDebug);
  kiv::ResetAssertMemory();
  g_boxes = 0;
  const int line = __LINE__ + 1;
  KIV_ASSERT(1 + 1 == 3);
  EXPECT_EQ(g_boxes, 1);
  char where[32];
  std::snprintf(where, sizeof where, "(%d): ", line);
  EXPECT_NE(g_lastBox.find(where), std::string::npos);
  EXPECT_NE(g_lastBox.find("1 + 1 == 3"), std::string::npos);
  EXPECT_NE(g_lastDebug.find("1 + 1 == 3"), std::string::npos);
  KIV_ASSERT(1 + 1 == 3);  // same expression again: not shown twice
  EXPECT_EQ(g_boxes, 1);
  KIV_ASSERT(2 + 2 == 5);
  KIV_ASSERT(true);
  EXPECT_EQ(g_boxes, 2);
  platform::SetMessageBoxHandler(oldBox);
  platform::SetDebugOutputHandler(oldDebug);
}

// A box no one can see must not wait for an answer.
TEST(Dialogs, WithoutADisplayTheDefaultButtonAnswers) {
  EXPECT_EQ(platform::MessageBox("t", "x", platform::EMessageButtons::RetryCancel, platform::EMessageIcon::Error),
            platform::EMessageAnswer::Retry);
}

std::string g_reported;
void RecordReport(const char* signature) { g_reported = signature; }

struct Thrower {
  int Operation(int x) {
    return kiv::Guard(KIV_SIGNATURE, -1, [&]() -> int {
      if (x < 0) throw std::runtime_error("boom");
      return x * 2;
    });
  }
};

TEST(ErrorReport, GuardReportsTheSignatureAndReturnsTheNeutralResult) {
  auto old = kiv::SetErrorReportHook(&RecordReport);
  Thrower t;
  EXPECT_EQ(t.Operation(4), 8);
  EXPECT_TRUE(g_reported.empty());
  EXPECT_EQ(t.Operation(-1), -1);
  EXPECT_NE(g_reported.find("Thrower::Operation(int)"), std::string::npos);
  kiv::SetErrorReportHook(old);
}

}  // namespace
