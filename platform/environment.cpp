#include "platform/environment.h"

#include "platform/number_text.h"

namespace platform {

std::string DescribeSystemError(const SystemError& error) {
    std::string text = "（错误 " + DecimalText(error.code);
    if (!error.text.empty())
        text += "：" + error.text;
    return text + "）";
}

}  // namespace platform
