#include "files/held_path.h"

#include "files/own_file.h"
#include "files/paths.h"
#include "platform/text936.h"

namespace files {

std::vector<std::string> LevelsOf(const std::string& folder) {
    std::vector<std::string> levels;
    std::string path;
    std::vector<std::string> names;
    if (folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\') {
        levels.push_back(folder.substr(0, 3));
        path = folder.substr(0, 2);
        const auto rest = text936::SplitLevels(folder.substr(3));
        if (folder.size() > 3 && !rest)
            return {};
        if (rest)
            names = *rest;
    } else if (folder.size() > 2 && folder[0] == '\\' && folder[1] == '\\') {
        const auto all = text936::SplitLevels(folder.substr(2));
        if (!all || all->size() < 2)
            return {};
        path = "\\\\" + (*all)[0] + "\\" + (*all)[1];
        levels.push_back(path);
        names.assign(all->begin() + 2, all->end());
    } else {
        return {};
    }
    for (const std::string& name : names) {
        if (name.empty())
            continue;
        path += "\\" + name;
        levels.push_back(path);
    }
    return levels;
}

HeldPath::~HeldPath() {
    // The deepest first, as they were taken.
    while (!held_.empty())
        held_.pop_back();
}

HeldPath::Result HeldPath::Hold(const std::vector<std::string>& levels, bool create) {
    for (const std::string& level : levels) {
        if (Holds(level))
            continue;
        auto folder = files_.HoldFolder(level);
        if (!folder && !files_.GetAttributes(level)) {
            if (!create) {
                failedLevel_ = level;
                return Result::Missing;
            }
            if (files_.CreateDirectory(level)) {
                made_.push_back(level);
                folder = files_.HoldFolder(level);
            }
        }
        if (!folder) {
            failedLevel_ = level;
            const auto attributes = files_.GetAttributes(level);
            return attributes && IsLink(*attributes) ? Result::Link : Result::NotHeld;
        }
        const std::string final = folder->FinalPath();
        if (!IsWhereNamed(*folder, final, level)) {
            failedLevel_ = level;
            return Result::Link;
        }
        held_.push_back(std::move(folder));
        levels_.push_back(level);
        finals_.push_back(final);
    }
    return Result::Held;
}

bool HeldPath::IsWhereNamed(platform::HeldFolder& folder,
                            const std::string& final,
                            const std::string& level) const {
    // The first level (a drive or a share) is where it is; each one below must be its parent's
    // folder of that name, not a link to somewhere else (Wine opens a link's target even when
    // asked for the link itself, so the final path is what tells).
    bool where = !final.empty();
    if (!levels_.empty()) {
        const std::string* parentFinal = FinalOfParent(level);
        where = parentFinal && text936::EqualsNoCase(final, text936::WithoutTrailingBackslash(*parentFinal) +
                                                                "\\" + LastName(level));
    }
    return !IsLink(folder.Attributes()) && where;
}

const std::string* HeldPath::FinalOfParent(const std::string& level) const {
    const std::size_t separator = text936::FindLastBackslash(level);
    if (separator == text936::npos)
        return nullptr;
    const std::string parent = level.substr(0, separator);
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        if (text936::EqualsNoCase(text936::WithoutTrailingBackslash(levels_[i]), parent))
            return &finals_[i];
    }
    return nullptr;
}

bool HeldPath::Holds(const std::string& folder) const {
    for (const std::string& level : levels_) {
        if (text936::EqualsNoCase(level, folder))
            return true;
    }
    return false;
}

std::string HeldPath::FinalOf(const std::string& folder) const {
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        if (text936::EqualsNoCase(levels_[i], folder))
            return finals_[i];
    }
    return std::string();
}

void HeldPath::RemoveWhatWasMade() {
    // The deepest first, each through a hold of its own while its parent is still held: never by a
    // name that may lead elsewhere by now.
    for (auto made = made_.rbegin(); made != made_.rend(); ++made) {
        std::size_t i = 0;
        while (i < levels_.size() && !text936::EqualsNoCase(levels_[i], *made))
            ++i;
        // Held again to be removed, which no other hold of it may share (nor may a listing, under Wine).
        if (i < levels_.size())
            held_[i].reset();
        if (auto folder = files_.HoldFolderToRemove(*made);
            folder && IsWhereNamed(*folder, folder->FinalPath(), *made))
            folder->RemoveIfEmpty();
    }
    while (!held_.empty())
        held_.pop_back();
    levels_.clear();
    finals_.clear();
    made_.clear();
}

}  // namespace files
