#include "app/run_log.h"

#include <utility>

namespace app {

RunLog::RunLog(Opener open, std::string fallbackPath)
    : open_(std::move(open)), fallbackPath_(std::move(fallbackPath)) {}

void RunLog::OpenAsked(const std::string& path) {
    askedPath_ = path;
    asked_ = open_(path);
}

bool RunLog::WriteLine(const std::string& text) {
    lines_.push_back(text);
    if (fallback_)
        fallback_->WriteLine(text);
    if (!asked_)
        return true;
    if (asked_->WriteLine(text))
        return true;
    MoveToFallback("无法写入 /LOG 指定的日志文件 " + askedPath_ + "，日志改写在这里");
    return false;
}

bool RunLog::MoveToFallback(const std::string& reason) {
    if (fallback_)
        return true;
    if (fallbackFailed_ || fallbackPath_.empty())
        return false;
    fallback_ = open_(fallbackPath_);
    if (!fallback_ || !fallback_->WriteLine(reason)) {
        fallback_.reset();
        fallbackFailed_ = true;
        return false;
    }
    for (const std::string& line : lines_)
        fallback_->WriteLine(line);
    return true;
}

}  // namespace app
