#include "app/run_log.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "files/folder_listing.h"
#include "platform/number_text.h"
#include "platform/text936.h"

namespace app {

namespace {

// Names tried for the run's own log before it gives up: others' files may stand under the first ones.
constexpr int kOwnNames = 20;
constexpr char kLogExtension[] = ".log";

// `count` digits of `text` from `at` on (any count from 1 when `count` is 0); where they end, or npos.
std::size_t Digits(const std::string& text, std::size_t at, std::size_t count) {
    std::size_t end = at;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])) &&
           (count == 0 || end - at < count))
        ++end;
    if (end == at || (count != 0 && end - at != count))
        return std::string::npos;
    return end;
}

}  // namespace

std::string OwnLogBase(const std::string& folder, const platform::UtcTime& now, std::uint32_t processId) {
    using platform::DecimalText;
    return folder + "\\" + kOwnLogPrefix + DecimalText(static_cast<unsigned>(now.year), 4) +
           DecimalText(static_cast<unsigned>(now.month), 2) + DecimalText(static_cast<unsigned>(now.day), 2) +
           "-" + DecimalText(static_cast<unsigned>(now.hour), 2) +
           DecimalText(static_cast<unsigned>(now.minute), 2) +
           DecimalText(static_cast<unsigned>(now.second), 2) + "-" + DecimalText(processId);
}

bool IsOwnLogName(const std::string& name) {
    const std::string prefix = kOwnLogPrefix;
    const std::string extension = kLogExtension;
    if (name.size() <= prefix.size() + extension.size() ||
        !text936::EqualsNoCase(name.substr(0, prefix.size()), prefix) ||
        !text936::EqualsNoCase(name.substr(name.size() - extension.size()), extension))
        return false;
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - extension.size());
    std::size_t at = Digits(middle, 0, 8);
    if (at == std::string::npos || at >= middle.size() || middle[at] != '-')
        return false;
    at = Digits(middle, at + 1, 6);
    // Then "-<process id>" and at most one "-<n>".
    for (int part = 0; part < 2 && at != std::string::npos && (part == 0 || at < middle.size()); ++part) {
        if (at >= middle.size() || middle[at] != '-')
            return false;
        at = Digits(middle, at + 1, 0);
    }
    return at == middle.size();
}

std::size_t PruneOwnLogs(platform::FileSystem& files,
                         const std::string& folder,
                         const std::string& current,
                         std::size_t kept) {
    std::vector<std::string> names;
    files::ListFolder(
        files, folder + "\\" + kOwnLogPrefix + "*" + kLogExtension, [&](const platform::DirEntry& entry) {
            if (!(entry.attributes & (platform::kAttrDirectory | platform::kAttrReparsePoint)) &&
                IsOwnLogName(entry.name))
                names.push_back(entry.name);
        });
    // Newest first: the names begin with the time, in digits of fixed width.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return text936::ToUpper(a) > text936::ToUpper(b);
    });
    // This run's log is one of those kept, whatever its name says of the clock.
    std::size_t keptSoFar = current.empty() ? 0 : 1;
    std::size_t deleted = 0;
    for (const std::string& name : names) {
        const std::string path = folder + "\\" + name;
        if (text936::EqualsNoCase(path, current))
            continue;
        if (keptSoFar < kept) {
            ++keptSoFar;
            continue;
        }
        // Whoever may write the folder could have put a link or a second name of another file here.
        auto file = files.OpenToDelete(path);
        if (!file || (file->Attributes() & (platform::kAttrReparsePoint | platform::kAttrDirectory)) ||
            file->LinkCount() != 1 || !text936::EqualsNoCase(file->FinalPath(), path) || !file->Delete())
            continue;
        ++deleted;
    }
    return deleted;
}

RunLog::RunLog(Opener open, std::string ownBase) : open_(std::move(open)), ownBase_(std::move(ownBase)) {}

void RunLog::OpenAsked(const std::string& path) {
    askedPath_ = path;
    asked_ = open_(path, false);
}

bool RunLog::OpenOwn() {
    if (!CreateOwn())
        return false;
    for (const std::string& line : lines_)
        own_->WriteLine(line);
    return true;
}

bool RunLog::WriteLine(const std::string& text) {
    lines_.push_back(text);
    if (own_)
        own_->WriteLine(text);
    if (!asked_)
        return true;
    if (asked_->WriteLine(text))
        return true;
    MoveToOwn("无法写入 /LOG 指定的日志文件 " + askedPath_ +
              platform::DescribeSystemError(asked_->Failure()) + "，日志改写在这里");
    return false;
}

bool RunLog::CreateOwn() {
    if (own_)
        return true;
    if (ownFailed_ || ownBase_.empty())
        return false;
    for (int n = 1; n <= kOwnNames && !own_; ++n) {
        ownPath_ = ownBase_ + (n == 1 ? std::string() : "-" + std::to_string(n)) + kLogExtension;
        own_ = open_(ownPath_, true);
        // A sink that cannot take a line is no log.
        if (own_ && own_->Failure().code != 0)
            own_.reset();
    }
    if (!own_) {
        ownPath_.clear();
        ownFailed_ = true;
    }
    return own_ != nullptr;
}

bool RunLog::MoveToOwn(const std::string& reason) {
    if (own_)
        return true;
    if (!CreateOwn())
        return false;
    if (!own_->WriteLine(reason)) {
        own_.reset();
        ownPath_.clear();
        ownFailed_ = true;
        return false;
    }
    for (const std::string& line : lines_)
        own_->WriteLine(line);
    return true;
}

}  // namespace app
