#pragma once
// An in-process stand-in for a VST host: answers the callback opcodes the
// effect uses and records what the effect tells it. One instance at a time
// (the callback is a plain function pointer).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Helpers/Vst/AEffect.h"

struct FakeHost {
  std::string vendor = "Tarnwell Audio";
  std::string product = "Test Host";
  bool answerTimeInfo = true;
  vst::VstTimeInfo timeInfo{};
  bool acceptIOChanges = true;
  std::vector<std::pair<int, float>> automated;
  std::vector<int> beginEdits;
  std::vector<int> endEdits;
  int ioChangedCount = 0;
  int updateDisplayCount = 0;

  FakeHost();
  ~FakeHost();
  vst::HostCallback Callback() const;
};
