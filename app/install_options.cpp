#include "app/install_options.h"

#include <cstdio>

namespace app {

std::string FormatVersionLabel(int productVersion, int buildBitness) {
    char label[128];
    std::snprintf(label, sizeof label, "Brelix结构工具箱 V%d.%d.%d (%d位版本)", productVersion / 10000,
                  (productVersion % 10000) / 100, productVersion % 100, buildBitness);
    return label;
}

}  // namespace app
