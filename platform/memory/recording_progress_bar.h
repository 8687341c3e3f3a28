#pragma once
// A progress bar that records every call and keeps its position as the Windows control does:
// a step past the maximum starts again from the minimum.

#include <string>
#include <vector>

#include "platform/progress_bar.h"

namespace platform::memory {

class RecordingProgressBar : public ProgressBar {
  public:
    void SetRange(int low, int high) override;
    void SetStep(int stepSize) override;
    void SetPos(int newPosition) override;
    void StepIt() override;

    // Number of StepIt calls recorded.
    int StepCount() const;

    int minimum = 0;
    int maximum = 100;
    int step = 10;
    int position = 0;
    std::vector<std::string> calls;  // "range 0 50", "step 1", "pos 0", "stepit"
};

}  // namespace platform::memory
