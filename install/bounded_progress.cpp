#include "install/bounded_progress.h"

namespace install {

void BoundedProgress::SetRange(int minimum, int maximum) {
    maximum_ = maximum;
    position_ = minimum;
    bar_.SetRange(minimum, maximum);
}

void BoundedProgress::SetStep(int step) {
    step_ = step;
    bar_.SetStep(step);
}

void BoundedProgress::SetPos(int position) {
    position_ = position;
    bar_.SetPos(position);
}

void BoundedProgress::StepIt() {
    if (position_ + step_ > maximum_)
        return;
    position_ += step_;
    bar_.StepIt();
}

}  // namespace install
