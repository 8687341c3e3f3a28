#include "install/product_layout.h"

#include "platform/text936.h"

namespace install {

std::string ProductFolderOf(const std::string& installRoot) {
    return JoinPath(text936::WithoutTrailingBackslash(installRoot), kProductFolderName);
}

}  // namespace install
