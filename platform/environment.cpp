#include "platform/environment.h"

namespace platform {

std::string DescribeSystemError(const SystemError& error) {
    std::string text = "错误 " + std::to_string(error.code);
    if (!error.text.empty())
        text += "：" + error.text;
    return text;
}

}  // namespace platform
