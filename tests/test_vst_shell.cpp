#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Helpers/Vst/VstText.h"

namespace {

std::string F2S(float v) {
  char text[32];
  std::memset(text, 'x', sizeof text);
  vst::float2string(v, text, 8);
  return text;
}

TEST(Float2String, FillsEightCharactersTruncatingTheFraction) {
  EXPECT_EQ(F2S(1.0f), "1.000000");
  EXPECT_EQ(F2S(0.00625f), "0.006250");
  EXPECT_EQ(F2S(12.5f), "12.50000");
  EXPECT_EQ(F2S(0.7f), "0.699999");  // 0.7f is 0.69999998...: truncated, not rounded
  EXPECT_EQ(F2S(1234567.0f), "1234567.");
  EXPECT_EQ(F2S(12345678.0f), "12345678");
  EXPECT_EQ(F2S(99999999.0f), "Huge!");  // the float is 1e8
  EXPECT_EQ(F2S(-0.5f), "-0.50000");
}

TEST(Float2String, NeverWritesPastTheLimit) {
  char text[8];
  std::memset(text, 'x', sizeof text);
  vst::float2string(0.123456f, text, 4);
  EXPECT_STREQ(text, "0.12");
  vst::vst_strncpy(text, "abcdefghijk", 7);
  EXPECT_STREQ(text, "abcdefg");
}

}  // namespace
