#include "app/run_log.h"

#include <utility>

namespace app {

namespace {

// Names tried for the fallback before it gives up: others' files may stand under the first ones.
constexpr int kFallbackNames = 20;

}  // namespace

RunLog::RunLog(Opener open, std::string fallbackBase)
    : open_(std::move(open)), fallbackBase_(std::move(fallbackBase)) {}

void RunLog::OpenAsked(const std::string& path) {
    askedPath_ = path;
    asked_ = open_(path, false);
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
    if (fallbackFailed_ || fallbackBase_.empty())
        return false;
    for (int n = 1; n <= kFallbackNames && !fallback_; ++n) {
        fallbackPath_ = fallbackBase_ + (n == 1 ? std::string() : "-" + std::to_string(n)) + ".log";
        fallback_ = open_(fallbackPath_, true);
    }
    if (!fallback_ || !fallback_->WriteLine(reason)) {
        fallback_.reset();
        fallbackPath_.clear();
        fallbackFailed_ = true;
        return false;
    }
    for (const std::string& line : lines_)
        fallback_->WriteLine(line);
    return true;
}

}  // namespace app
