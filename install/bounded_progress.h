#pragma once
// A progress bar that never steps past its maximum: a walk may take any number of steps, but the
// bar stops full instead of wrapping round to its minimum.

#include "platform/progress_bar.h"

namespace install {

class BoundedProgress : public platform::ProgressBar {
  public:
    // `bar` is not owned; it outlives this wrapper.
    explicit BoundedProgress(platform::ProgressBar& bar) : bar_(bar) {}

    void SetRange(int minimum, int maximum) override;
    void SetStep(int step) override;
    void SetPos(int position) override;
    // Passed on only while the step keeps the position within the range.
    void StepIt() override;

  private:
    platform::ProgressBar& bar_;
    int maximum_ = 100;
    int step_ = 10;
    int position_ = 0;
};

}  // namespace install
