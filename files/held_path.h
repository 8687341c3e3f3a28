#pragma once
// A folder path held for the whole run, every level from the drive (or share) down: no level can be
// renamed, deleted or replaced by a link while the run works below it, and each was checked to be
// what its name says before anything is written there.

#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"

namespace files {

// The levels of a folder path from its drive ("X:\") or share ("\\server\share") down to the path
// itself; empty for a path that is neither.
std::vector<std::string> LevelsOf(const std::string& folder);

class HeldPath {
  public:
    enum class Result {
        Held,
        Link,     // a level is a link, or resolves elsewhere than its name: `failedLevel` names it
        NotHeld,  // a level could not be opened or made: `failedLevel` names it
        Missing,  // a level is not there and was not to be made: the levels before it are held
    };

    explicit HeldPath(platform::FileSystem& files) : files_(files) {}
    HeldPath(const HeldPath&) = delete;
    HeldPath& operator=(const HeldPath&) = delete;
    // Lets go of every level; what it made stays.
    ~HeldPath();

    // Holds `levels` (each below one held before it, the first a drive "X:\" or a share), after
    // those already held. A missing level is created first when `create`, and remembered as
    // made by this run. Stops at the first level that fails; the levels before it stay held.
    Result Hold(const std::vector<std::string>& levels, bool create);
    // The level Hold stopped at.
    const std::string& FailedLevel() const { return failedLevel_; }
    // Whether `folder` is one of the levels held (letter case ignored).
    bool Holds(const std::string& folder) const;
    // Where the system resolves the held level `folder` to (HeldFolder::FinalPath, as checked when
    // it was held); empty when `folder` is not held.
    std::string FinalOf(const std::string& folder) const;

    // Lets go of every level and removes those this run made, deepest first, while they are empty,
    // each through its own hold.
    void RemoveWhatWasMade();

  private:
    // Whether `folder`, held as `level` and resolved to `final`, is that level itself: no link, and
    // below the drive its held parent's folder of that name.
    bool IsWhereNamed(platform::HeldFolder& folder, const std::string& final, const std::string& level) const;
    // The final path of the held level that `level` lies directly in; nullptr when none is held.
    const std::string* FinalOfParent(const std::string& level) const;

    platform::FileSystem& files_;
    std::vector<std::unique_ptr<platform::HeldFolder>> held_;
    std::vector<std::string> levels_;
    std::vector<std::string> finals_;
    std::vector<std::string> made_;
    std::string failedLevel_;
};

}  // namespace files
