// The core's tests run in a temporary directory of their own, with the speech double back to
// its default behaviour.
#pragma once

#include "speech_double.h"
#include "temp_dir.h"

namespace kelvo::testing {

class InWorkDir : public test_support::InTempDir {
  protected:
    void SetUp() override {
        InTempDir::SetUp();
        speech_double::Reset();
    }
};

}  // namespace kelvo::testing
