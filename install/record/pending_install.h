#pragma once
// The product folder an installation is changing, marked in the record's key from before its first
// change until it ends, however it ends, unless it is cut off (killed, or the power fails). A run
// cut off before it wrote its record leaves files nothing records; the mark is how the uninstall
// still finds them.

#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/registry.h"

namespace install {

// A value of the record's key (HKLM\SOFTWARE\Brelix, in the record's view).
constexpr char kPendingValueName[] = "InstallingInto";

// Marks `productFolder` while it lives. Unmark() takes the mark away at the end of an installation;
// a run that ends otherwise (stopped, rolled back) leaves the registry as it found it: the mark of an
// earlier run cut off is put back, and a key of the record that the mark made goes. A mark that
// cannot be written is no reason to stop: the run then has none.
class PendingInstallation {
  public:
    PendingInstallation(platform::Registry& registry, const std::string& productFolder);
    ~PendingInstallation();
    PendingInstallation(const PendingInstallation&) = delete;
    PendingInstallation& operator=(const PendingInstallation&) = delete;

    // Takes the mark away now; an earlier run's mark of another folder stays, for the uninstall to
    // clean that folder too. False when this run's mark is still there; it then stays.
    bool Unmark();
    // The run ends without its record: the mark stays, for the uninstall to find the folder by.
    void LeaveForTheUninstall() { marked_ = false; }

  private:
    platform::Registry& registry_;
    std::string productFolder_;
    bool marked_ = false;
    bool madeKey_ = false;
    std::optional<std::string> earlierMark_;  // an earlier run's, cut off
    // Writes the earlier run's mark back. False when it could not.
    bool RestoreEarlierMark();
};

// The folder a cut-off run was changing; nullopt when there is no mark, or it is not a path.
std::optional<std::string> ReadPendingInstallation(platform::Registry& registry,
                                                   platform::Environment& environment);

// Takes a cut-off run's mark away, and the record's key with it when it holds no record. False when
// a mark is still there.
bool ForgetPendingInstallation(platform::Registry& registry);

}  // namespace install
