#include "platform/memory/recording_progress_bar.h"

#include <algorithm>

namespace platform::memory {

void RecordingProgressBar::SetRange(int low, int high) {
    minimum = low;
    maximum = high;
    position = std::clamp(position, minimum, maximum);
    calls.push_back("range " + std::to_string(low) + " " + std::to_string(high));
}

void RecordingProgressBar::SetStep(int stepSize) {
    step = stepSize;
    calls.push_back("step " + std::to_string(stepSize));
}

void RecordingProgressBar::SetPos(int newPosition) {
    position = std::clamp(newPosition, minimum, maximum);
    calls.push_back("pos " + std::to_string(newPosition));
}

void RecordingProgressBar::StepIt() {
    position += step;
    if (position > maximum)
        position = minimum;
    calls.push_back("stepit");
}

int RecordingProgressBar::StepCount() const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), "stepit"));
}

}  // namespace platform::memory
