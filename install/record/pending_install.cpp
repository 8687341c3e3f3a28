#include "install/record/pending_install.h"

#include "install/record/install_root.h"
#include "install/record/locations.h"
#include "install/record/product_layout.h"
#include "platform/registry_text.h"
#include "platform/text936.h"

namespace install {

namespace {

// Deletes the mark; then the record's key when `withKey` and nothing of the record is in it. A value
// written a moment ago gets a second try before it counts as still there.
bool DeleteMark(platform::Registry& registry, bool withKey) {
    auto root = OpenRecordRoot(registry);
    if (!root)
        return false;
    // Only called where a mark was written or read: a key that does not open is a failure.
    auto key = root->Open(kRecordKeyWrite, platform::KeyAccess::Default);
    if (!key)
        key = root->Open(kRecordKeyWrite, platform::KeyAccess::Default);
    if (!key)
        return false;
    const auto markThere = [&key] {
        return key->ReadValue(kPendingValueName, kPathBufferSize).status != platform::ReadStatus::Missing;
    };
    for (int attempt = 0; attempt < 2 && markThere(); ++attempt)
        key->DeleteValue(kPendingValueName);
    if (markThere())
        return false;
    if (withKey &&
        key->ReadValue(kRecordValueName, kPathBufferSize).status == platform::ReadStatus::Missing) {
        key.reset();
        root->DeleteSubkey(kRecordKeyWrite);  // refused while it has subkeys: then it stays
    }
    return true;
}

}  // namespace

PendingInstallation::PendingInstallation(platform::Registry& registry, const std::string& productFolder)
    : registry_(registry), productFolder_(productFolder) {
    if (!text936::FitsBuffer(productFolder, kPathBufferSize))
        return;
    auto root = OpenRecordRoot(registry);
    if (!root)
        return;
    if (auto existing = root->Open(kRecordKeyWrite, platform::KeyAccess::Read)) {
        const platform::ValueRead earlier = existing->ReadValue(kPendingValueName, kPathBufferSize);
        if (earlier.ok() && earlier.type == platform::kRegSz)
            earlierMark_ = earlier.Text();
    } else {
        madeKey_ = true;
    }
    auto key = root->Create(kRecordKeyWrite);
    marked_ = key && key->WriteString(kPendingValueName, productFolder);
    if (!marked_ && madeKey_ && key) {
        key.reset();
        root->DeleteSubkey(kRecordKeyWrite);
    }
}

PendingInstallation::~PendingInstallation() {
    if (!marked_)
        return;
    if (earlierMark_)
        RestoreEarlierMark();
    else
        DeleteMark(registry_, madeKey_);
}

bool PendingInstallation::Unmark() {
    if (!marked_)
        return true;
    // Said once, and then left as it is: the destructor does not try again behind the caller's report.
    marked_ = false;
    return earlierMark_ && !SamePath(*earlierMark_, productFolder_) ? RestoreEarlierMark()
                                                                    : DeleteMark(registry_, madeKey_);
}

bool PendingInstallation::RestoreEarlierMark() {
    auto root = OpenRecordRoot(registry_);
    auto key = root ? root->Open(kRecordKeyWrite, platform::KeyAccess::Default) : nullptr;
    for (int attempt = 0; attempt < 2 && key; ++attempt) {
        if (key->WriteString(kPendingValueName, *earlierMark_))
            return true;
    }
    return false;
}

std::optional<std::string> ReadPendingInstallation(platform::Registry& registry,
                                                   platform::Environment& environment) {
    auto root = OpenRecordRoot(registry);
    auto key = root ? root->Open(kRecordKeyRead, platform::KeyAccess::Read) : nullptr;
    if (!key)
        return std::nullopt;
    const platform::TextRead read = platform::ReadText(*key, kPendingValueName, kPathBufferSize, environment);
    if (!read.ok())
        return std::nullopt;
    // Only what a run writes: a product folder below a root an installation accepts. The uninstall
    // cleans what it names, so anything else (a drive, a bare name) is no mark of ours. The root is
    // taken with its "\", which a drive root needs ("D:\Brelix结构工具箱" lies in "D:\", not "D:").
    const std::size_t slash = text936::FindLastBackslash(read.text);
    if (slash == text936::npos || !text936::EqualsNoCase(read.text.substr(slash + 1), kProductFolderName) ||
        !CanonicalRoot(read.text.substr(0, slash + 1)))
        return std::nullopt;
    return read.text;
}

bool ForgetPendingInstallation(platform::Registry& registry) {
    return DeleteMark(registry, true);
}

}  // namespace install
