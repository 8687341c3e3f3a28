#include "state/install_options.h"

#include <string>

namespace state {

std::string FormatVersionLabel(const ProductVersion& productVersion, int buildBitness) {
    return "Brelix结构工具箱 V" + VersionText(productVersion) + " (" + std::to_string(buildBitness) +
           "位版本)";
}

}  // namespace state
