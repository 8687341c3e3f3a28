#pragma once
// A progress control as the installation drives it (PBM_SETRANGE, PBM_SETSTEP, PBM_SETPOS,
// PBM_STEPIT, all sent synchronously).

namespace platform {

class ProgressBar {
  public:
    virtual ~ProgressBar() = default;
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual void SetStep(int step) = 0;
    virtual void SetPos(int position) = 0;
    virtual void StepIt() = 0;
};

}  // namespace platform
