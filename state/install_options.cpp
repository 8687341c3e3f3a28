#include "state/install_options.h"

#include <string>

namespace state {

std::string FormatVersionLabel(int productVersion, int buildBitness) {
    return "Brelix结构工具箱 V" + std::to_string(productVersion / 10000) + "." +
           std::to_string((productVersion % 10000) / 100) + "." + std::to_string(productVersion % 100) +
           " (" + std::to_string(buildBitness) + "位版本)";
}

}  // namespace state
