#include "platform/memory/memory_files.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "platform/path_names.h"
#include "platform/text936.h"

namespace platform::memory {

struct FileNode {
    std::string name;
    bool isFolder = false;
    std::uint32_t attributes = 0;
    std::string content;
    std::uint64_t lastWrite = 0;  // a new stamp at every write; a copy carries its source's
    bool locked = false;
    bool running = false;                // a running program's file: renamed, never deleted or overwritten
    int held = 0;                        // handles open without FILE_SHARE_DELETE: no rename, no deletion
    int heldToRemove = 0;                // of those, folders held with DELETE access: nobody else may hold
    std::uint32_t names = 1;             // hard links: the names the file has
    std::string linkTarget;              // not empty: a link
    std::shared_ptr<FileNode> sameFile;  // set: this name is a hard link to that file
    std::vector<std::shared_ptr<FileNode>> children;  // creation order

    std::shared_ptr<FileNode> Child(const std::string& childName) const {
        for (const auto& child : children) {
            if (text936::EqualsNoCase(child->name, childName))
                return child;
        }
        return nullptr;
    }
};

namespace {

// Splits "C:\A\B" into {"C:", "A", "B"}; nullopt for an ill-formed path (empty level).
// A single trailing "\" is allowed ("C:\" is the drive itself).
std::optional<std::vector<std::string>> SplitPath(const std::string& path) {
    auto levels = text936::SplitLevels(path);
    if (!levels || levels->empty())
        return std::nullopt;
    const std::string& drive = levels->front();
    if (drive.size() != 2 || drive[1] != ':')
        return std::nullopt;
    return levels;
}

// Wildcard match of a name against a pattern with "*" and "?", without regard to case.
// "*.*" matches every name, with or without a dot, as on Windows.
bool WildcardMatch(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    std::string p = text936::ToUpper(pattern), n = text936::ToUpper(name);
    std::size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi, ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++, mark = ni;
        } else if (star != std::string::npos) {
            pi = star + 1, ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

class MemorySearch : public FileSearch {
  public:
    explicit MemorySearch(std::vector<DirEntry> rest) : rest_(std::move(rest)) {}
    bool Next(DirEntry& entry) override {
        if (next_ >= rest_.size())
            return false;
        entry = rest_[next_++];
        return true;
    }

  private:
    std::vector<DirEntry> rest_;
    std::size_t next_ = 0;
};

// The file a name stands for: the one a hard link shares, or the node itself.
const FileNode& FileOf(const FileNode& node) {
    return node.sameFile ? *node.sameFile : node;
}

// Whether a name can be renamed or deleted: neither it nor anything below it is held open.
bool HeldOpen(const FileNode& node) {
    if (node.held > 0 || FileOf(node).held > 0)
        return true;
    for (const auto& child : node.children) {
        if (HeldOpen(*child))
            return true;
    }
    return false;
}

// One name of a file goes: a hard-linked file has one name fewer.
void Unname(FileNode& node) {
    FileNode& file = node.sameFile ? *node.sameFile : node;
    if (file.names > 1)
        --file.names;
}

std::uint32_t ReportedAttributes(const FileNode& original) {
    const FileNode& node = FileOf(original);
    if (node.isFolder)
        return node.attributes | kAttrDirectory;
    return node.attributes == 0 ? kAttrNormal : node.attributes;
}

}  // namespace

MemoryFileSystem::MemoryFileSystem(FailureInjector& failures)
    : failures_(failures), drives_(std::make_shared<FileNode>()) {
    drives_->isFolder = true;
    AddDrive("C:");
}

MemoryFileSystem::~MemoryFileSystem() = default;

MemoryFileSystem::Reached MemoryFileSystem::Walk(const std::string& path, bool followLast) const {
    // Beyond this many links a path counts as unresolvable, as a cycle of links is.
    constexpr int kMostLinks = 31;
    auto levels = SplitPath(path);
    if (!levels)
        return {};
    // As Windows reads every path: "/" is a separator too, "." and ".." levels are resolved.
    std::vector<std::string> resolved;
    for (std::string level : *levels) {
        for (std::size_t slash = level.find('/'); slash != std::string::npos; slash = level.find('/')) {
            resolved.push_back(level.substr(0, slash));
            level.erase(0, slash + 1);
        }
        resolved.push_back(level);
    }
    levels->clear();
    for (const std::string& level : resolved) {
        if (level == ".." && levels->size() > 1)
            levels->pop_back();
        else if (level != "." && level != ".." && !level.empty())
            levels->push_back(level);
    }
    std::vector<std::string> pending(levels->rbegin(), levels->rend());  // the next level last
    Reached reached{drives_, nullptr, std::string()};
    int links = 0;
    while (!pending.empty()) {
        if (!reached.node || !reached.node->isFolder)
            return {};
        const std::string level = pending.back();
        pending.pop_back();
        auto child = reached.node->Child(level);
        if (child && !child->linkTarget.empty() && (!pending.empty() || followLast)) {
            auto target = SplitPath(child->linkTarget);
            if (!target || ++links > kMostLinks)
                return {};
            pending.insert(pending.end(), target->rbegin(), target->rend());
            reached = Reached{drives_, nullptr, std::string()};
            continue;
        }
        if (!child && !pending.empty())
            return {};
        reached.path += (reached.path.empty() ? "" : "\\") + (child ? child->name : level);
        reached.parent = reached.node;
        reached.node = child && child->sameFile ? child->sameFile : child;
    }
    return reached;
}

std::shared_ptr<FileNode> MemoryFileSystem::Find(const std::string& path, bool followLast) const {
    return Walk(path, followLast).node;
}

std::shared_ptr<FileNode> MemoryFileSystem::ParentOf(const std::string& path, std::string& leaf) const {
    auto levels = SplitPath(path);
    if (!levels || levels->size() < 2)
        return nullptr;
    leaf = levels->back();
    const Reached reached = Walk(path, false);
    return reached.parent && reached.parent->isFolder ? reached.parent : nullptr;
}

std::vector<std::shared_ptr<FileNode>> MemoryFileSystem::Ordered(const FileNode& folder) const {
    auto entries = folder.children;
    if (order_ == ListingOrder::Sorted) {
        std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
            return text936::ToUpper(a->name) < text936::ToUpper(b->name);
        });
    }
    return entries;
}

std::unique_ptr<FileSearch> MemoryFileSystem::FindFirst(const std::string& pattern, DirEntry& first) {
    if (failures_.ShouldFail(Operation::FindFirst, pattern))
        return nullptr;
    std::size_t sep = text936::FindLastBackslash(pattern);
    if (sep == text936::npos || sep + 1 == pattern.size())
        return nullptr;
    std::string folderPath = pattern.substr(0, sep);
    std::string namePattern = pattern.substr(sep + 1);
    auto folder = Find(folderPath.size() == 2 ? folderPath + "\\" : folderPath);
    if (!folder || !folder->isFolder)
        return nullptr;
    // As under Wine: a folder held to be removed shares no listing by name (error 32); its hold lists it.
    if (folder->heldToRemove > 0)
        return nullptr;

    std::vector<DirEntry> entries;
    bool isDriveRoot = SplitPath(folderPath) && SplitPath(folderPath)->size() == 1;
    if (!isDriveRoot) {
        for (const char* dots : {".", ".."}) {
            if (WildcardMatch(namePattern, dots))
                entries.push_back({dots, kAttrDirectory});
        }
    }
    for (const auto& child : Ordered(*folder)) {
        if (WildcardMatch(namePattern, child->name))
            entries.push_back({child->name, ReportedAttributes(*child), FileOf(*child).content.size(),
                               FileOf(*child).lastWrite});
    }
    if (entries.empty())
        return nullptr;
    first = entries.front();
    entries.erase(entries.begin());
    return std::make_unique<MemorySearch>(std::move(entries));
}

bool MemoryFileSystem::CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
    if (failures_.ShouldFail(Operation::CopyFile, from) || failures_.ShouldFail(Operation::CopyFile, to)) {
        if (failures_.CutOffNow()) {
            if (auto source = Find(from); source && !source->isFolder && !failIfExists)
                LeaveHalfWritten(to, source->content);
        }
        return false;
    }
    auto source = Find(from);
    if (!source || source->isFolder || source->locked)
        return false;
    if (auto existing = Find(to); existing && (existing == source || failIfExists))
        return false;
    auto target = FileToWrite(to);
    if (!target)
        return false;
    target->content = source->content;
    target->lastWrite = source->lastWrite;
    target->attributes = source->attributes | kAttrArchive;
    return true;
}

bool MemoryFileSystem::CopyFileReporting(
    const std::string& from,
    const std::string& to,
    const std::function<void(const char* data, std::size_t size)>& copied) {
    if (!CopyFile(from, to, false))
        return false;
    // Small pieces, so that whoever checks the copy cannot lean on getting it whole.
    constexpr std::size_t kPiece = 5;
    const std::string& content = Find(to)->content;
    for (std::size_t done = 0; done < content.size(); done += kPiece)
        copied(content.data() + done, std::min(kPiece, content.size() - done));
    return true;
}

std::shared_ptr<FileNode> MemoryFileSystem::FileToWrite(const std::string& path) {
    std::string leaf;
    auto parent = ParentOf(path, leaf);
    if (!parent || leaf.empty())
        return nullptr;
    if (auto existing = parent->Child(leaf)) {
        // CreateFileA follows a link, to wherever it leads, and writes into a hard-linked file.
        if (!existing->linkTarget.empty() && !(existing = Find(path)))
            return nullptr;
        if (existing->sameFile)
            existing = existing->sameFile;
        const bool refused = existing->isFolder || existing->locked || existing->running ||
                             (existing->attributes & (kAttrReadOnly | kAttrHidden));
        return refused ? nullptr : existing;
    }
    auto created = std::make_shared<FileNode>();
    created->name = leaf;
    created->attributes = kAttrArchive;
    parent->children.push_back(created);
    return created;
}

void MemoryFileSystem::LeaveHalfWritten(const std::string& path, const std::string& content) {
    if (auto target = FileToWrite(path)) {
        target->content = content.substr(0, content.size() / 2);
        target->lastWrite = ++writes_;
    }
}

bool MemoryFileSystem::MoveFile(const std::string& from, const std::string& to) {
    if (failures_.ShouldFail(Operation::MoveFile, from) || failures_.ShouldFail(Operation::MoveFile, to))
        return false;
    std::string sourceLeaf;
    auto sourceParent = ParentOf(from, sourceLeaf);
    auto source = sourceParent ? sourceParent->Child(sourceLeaf) : nullptr;
    if (!source || source->isFolder || FileOf(*source).locked || HeldOpen(*source))
        return false;
    std::string leaf;
    auto parent = ParentOf(to, leaf);
    if (!parent)
        return false;
    auto target = parent->Child(leaf);
    if (target == source)
        return true;
    if (target && (target->isFolder || FileOf(*target).locked || FileOf(*target).running ||
                   HeldOpen(*target) || (FileOf(*target).attributes & kAttrReadOnly)))
        return false;
    if (target) {
        Unname(*target);
        auto& targetSiblings = parent->children;
        targetSiblings.erase(std::remove(targetSiblings.begin(), targetSiblings.end(), target),
                             targetSiblings.end());
    }
    auto& sourceSiblings = sourceParent->children;
    sourceSiblings.erase(std::remove(sourceSiblings.begin(), sourceSiblings.end(), source),
                         sourceSiblings.end());
    source->name = leaf;
    parent->children.push_back(source);
    return true;
}

bool MemoryFileSystem::WriteCarriedFile(const std::string& name, const std::string& path) {
    const auto carried = carried_.find(name);
    if (carried == carried_.end() || failures_.ShouldFail(Operation::CopyFile, path))
        return false;
    auto target = FileToWrite(path);
    if (!target)
        return false;
    target->content = carried->second;
    target->lastWrite = ++writes_;
    target->attributes = kAttrArchive;
    return true;
}

bool MemoryFileSystem::CreateDirectory(const std::string& path) {
    if (failures_.ShouldFail(Operation::CreateDirectory, path))
        return false;
    std::string leaf;
    auto parent = ParentOf(path, leaf);
    if (!parent || parent->Child(leaf))
        return false;
    auto folder = std::make_shared<FileNode>();
    folder->name = leaf;
    folder->isFolder = true;
    parent->children.push_back(folder);
    return true;
}

bool MemoryFileSystem::DeleteFile(const std::string& path) {
    if (failures_.ShouldFail(Operation::DeleteFile, path))
        return false;
    std::string leaf;
    auto parent = ParentOf(path, leaf);
    auto target = parent ? parent->Child(leaf) : nullptr;
    if (!target || target->isFolder || FileOf(*target).locked || FileOf(*target).running ||
        HeldOpen(*target) || (FileOf(*target).attributes & kAttrReadOnly))
        return false;
    Unname(*target);
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), target), siblings.end());
    return true;
}

bool MemoryFileSystem::DeleteName(const std::string& path) {
    if (failures_.ShouldFail(Operation::DeleteFile, path))
        return false;
    std::string leaf;
    auto parent = ParentOf(path, leaf);
    auto target = parent ? parent->Child(leaf) : nullptr;
    if (!target)
        return true;
    if (target->isFolder || FileOf(*target).locked || FileOf(*target).running || HeldOpen(*target))
        return false;
    Unname(*target);
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), target), siblings.end());
    return true;
}

bool MemoryFileSystem::RemoveDirectory(const std::string& path) {
    if (failures_.ShouldFail(Operation::RemoveDirectory, path))
        return false;
    std::string leaf;
    auto parent = ParentOf(path, leaf);
    auto target = parent ? parent->Child(leaf) : nullptr;
    if (!target || !target->isFolder || !target->children.empty() || HeldOpen(*target))
        return false;
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), target), siblings.end());
    return true;
}

std::optional<std::uint32_t> MemoryFileSystem::GetAttributes(const std::string& path) {
    if (failures_.ShouldFail(Operation::GetAttributes, path))
        return std::nullopt;
    auto node = Find(path, false);
    if (!node)
        return std::nullopt;
    return ReportedAttributes(*node);
}

bool MemoryFileSystem::SetAttributes(const std::string& path, std::uint32_t attributes) {
    if (failures_.ShouldFail(Operation::SetAttributes, path))
        return false;
    auto node = Find(path, false);
    // Through a handle that follows no link, and never on a file whose other names may be anywhere.
    if (!node || !node->linkTarget.empty() || node->names > 1)
        return false;
    node->attributes = attributes & ~(kAttrDirectory | kAttrNormal | kAttrReparsePoint);
    return true;
}

std::optional<std::string> MemoryFileSystem::ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    if (failures_.ShouldFail(Operation::ReadFile, path))
        return std::nullopt;
    auto node = Find(path);
    if (!node || node->isFolder || node->locked || node->content.size() > maxBytes)
        return std::nullopt;
    return node->content;
}

bool MemoryFileSystem::ReadPieces(const std::string& path,
                                  std::size_t maxBytes,
                                  const std::function<void(const char* data, std::size_t size)>& consume) {
    constexpr std::size_t kPiece = 5;
    const auto content = ReadWholeFile(path, maxBytes);
    if (!content)
        return false;
    for (std::size_t done = 0; done < content->size(); done += kPiece)
        consume(content->data() + done, std::min(kPiece, content->size() - done));
    return true;
}

bool MemoryFileSystem::WriteWholeFile(const std::string& path, const std::string& content) {
    if (failures_.ShouldFail(Operation::WriteFile, path)) {
        if (failures_.CutOffNow())
            LeaveHalfWritten(path, content);
        return false;
    }
    auto target = FileToWrite(path);
    if (!target)
        return false;
    target->content = content;
    target->lastWrite = ++writes_;
    return true;
}

bool MemoryFileSystem::DeleteAtRestart(const std::string& path) {
    if (failures_.ShouldFail(Operation::DeleteAtRestart, path))
        return false;
    if (!Find(path, false))
        return false;
    pendingDeletions_.push_back(path);
    return true;
}

namespace {

class MemoryOpenedFile : public OpenedFile {
  public:
    MemoryOpenedFile(FailureInjector& failures,
                     std::string path,
                     std::string finalPath,
                     std::shared_ptr<FileNode> node,
                     std::shared_ptr<FileNode> parent,
                     bool mayDelete)
        : failures_(failures),
          path_(std::move(path)),
          finalPath_(std::move(finalPath)),
          node_(std::move(node)),
          parent_(std::move(parent)),
          mayDelete_(mayDelete) {
        ++node_->held;
    }
    ~MemoryOpenedFile() override { --node_->held; }
    // The name it was opened as: a copy from it fails as a copy from that name would.
    const std::string& Path() const { return path_; }
    const FileNode& Node() const { return *node_; }

    std::uint32_t Attributes() const override { return ReportedAttributes(*node_); }
    std::uint64_t Size() const override { return node_->content.size(); }
    std::uint32_t LinkCount() const override { return node_->names; }
    std::string FinalPath() override { return finalPath_; }
    bool ReadPieces(std::size_t maxBytes,
                    const std::function<void(const char* data, std::size_t size)>& consume) override {
        constexpr std::size_t kPiece = 5;
        const std::string& content = node_->content;
        if (failures_.ShouldFail(Operation::ReadFile, path_) || content.size() > maxBytes)
            return false;
        for (std::size_t done = 0; done < content.size(); done += kPiece)
            consume(content.data() + done, std::min(kPiece, content.size() - done));
        position_ = content.size();
        return true;
    }
    // A few bytes at most, so that readers meet piece boundaries anywhere. A failure is checked at the
    // first read only, as one call.
    std::optional<std::size_t> Read(char* buffer, std::size_t size) override {
        if (position_ == 0 && failures_.ShouldFail(Operation::ReadFile, path_))
            return std::nullopt;
        const std::string& content = node_->content;
        const std::size_t read =
            std::min({size, std::size_t{7}, content.size() - std::min(position_, content.size())});
        content.copy(buffer, read, std::min(position_, content.size()));
        position_ += read;
        return read;
    }
    // At once rather than at the close: nobody else can open the file meanwhile.
    bool Delete() override {
        if (!mayDelete_ || failures_.ShouldFail(Operation::DeleteFile, path_))
            return false;
        if ((node_->attributes & kAttrReadOnly) && node_->names > 1)
            return false;
        // The name opened goes: for a hard link, that name only.
        auto& siblings = parent_->children;
        const auto named = std::find_if(siblings.begin(), siblings.end(), [&](const auto& child) {
            return child == node_ || child->sameFile == node_;
        });
        if (named == siblings.end())
            return false;
        Unname(**named);
        siblings.erase(named);
        return true;
    }

  private:
    FailureInjector& failures_;
    std::string path_;
    std::string finalPath_;
    std::shared_ptr<FileNode> node_;
    std::shared_ptr<FileNode> parent_;
    bool mayDelete_;
    std::size_t position_ = 0;  // where the next Read begins
};

class MemoryHeldFolder : public HeldFolder {
  public:
    MemoryHeldFolder(FailureInjector& failures,
                     std::string path,
                     std::shared_ptr<FileNode> node,
                     std::shared_ptr<FileNode> parent,
                     std::string finalPath,
                     bool mayRemove,
                     std::function<std::vector<DirEntry>(const FileNode&)> list)
        : failures_(failures),
          path_(std::move(path)),
          node_(std::move(node)),
          parent_(std::move(parent)),
          finalPath_(std::move(finalPath)),
          mayRemove_(mayRemove),
          list_(std::move(list)) {
        ++node_->held;
        node_->heldToRemove += mayRemove_ ? 1 : 0;
    }
    ~MemoryHeldFolder() override { LetGo(); }
    std::uint32_t Attributes() const override { return node_ ? ReportedAttributes(*node_) : 0; }
    std::string FinalPath() override { return node_ ? finalPath_ : std::string(); }
    // The node the handle holds goes from its folder, whatever the name leads to now, as on Windows.
    bool RemoveIfEmpty() override {
        if (!mayRemove_ || !node_ || failures_.ShouldFail(Operation::RemoveDirectory, path_))
            return false;
        if (!node_->children.empty() || node_->held > 1 || !parent_)
            return false;
        auto& siblings = parent_->children;
        const auto named = std::find(siblings.begin(), siblings.end(), node_);
        if (named == siblings.end())
            return false;
        siblings.erase(named);
        LetGo();
        return true;
    }

    std::optional<std::vector<DirEntry>> List() override {
        if (!node_ || failures_.ShouldFail(Operation::FindFirst, path_ + "\\*.*"))
            return std::nullopt;
        return list_(*node_);
    }

  private:
    void LetGo() {
        if (!node_)
            return;
        --node_->held;
        node_->heldToRemove -= mayRemove_ ? 1 : 0;
        node_.reset();
    }

    FailureInjector& failures_;
    std::string path_;
    std::shared_ptr<FileNode> node_;
    std::shared_ptr<FileNode> parent_;
    std::string finalPath_;
    bool mayRemove_;
    std::function<std::vector<DirEntry>(const FileNode&)> list_;
};

}  // namespace

std::unique_ptr<OpenedFile> MemoryFileSystem::OpenFile(const std::string& path, bool mayDelete) {
    if (failures_.ShouldFail(Operation::OpenFile, path))
        return nullptr;
    Reached reached = Walk(path, openFollowsLinks_);
    if (!reached.node || reached.node->isFolder || reached.node->locked || reached.node->running)
        return nullptr;
    // Asking for deletion fails while another handle holds the file without sharing it.
    if (mayDelete && HeldOpen(*reached.node))
        return nullptr;
    return std::make_unique<MemoryOpenedFile>(failures_, path, reached.path, reached.node, reached.parent,
                                              mayDelete);
}

std::unique_ptr<OpenedFile> MemoryFileSystem::OpenToDelete(const std::string& path) {
    return OpenFile(path, true);
}

std::unique_ptr<OpenedFile> MemoryFileSystem::OpenToRead(const std::string& path) {
    return OpenFile(path, false);
}

std::unique_ptr<HeldFolder> MemoryFileSystem::HoldFolder(const std::string& path) {
    return HoldFolderOpened(path, false);
}

std::unique_ptr<HeldFolder> MemoryFileSystem::HoldFolderToRemove(const std::string& path) {
    return HoldFolderOpened(path, true);
}

std::unique_ptr<HeldFolder> MemoryFileSystem::HoldFolderOpened(const std::string& path, bool mayRemove) {
    if (failures_.ShouldFail(Operation::OpenFile, path))
        return nullptr;
    const Reached reached = Walk(path, openFollowsLinks_);
    if (!reached.node || !reached.node->isFolder)
        return nullptr;
    // Sharing: a hold with DELETE access and any other hold of the same folder exclude each other.
    if (reached.node->heldToRemove > 0 || (mayRemove && reached.node->held > 0))
        return nullptr;
    return std::make_unique<MemoryHeldFolder>(
        failures_, path, reached.node, reached.parent, reached.path, mayRemove,
        [this](const FileNode& folder) {
            std::vector<DirEntry> entries;
            for (const auto& child : Ordered(folder)) {
                entries.push_back({child->name, ReportedAttributes(*child), FileOf(*child).content.size(),
                                   FileOf(*child).lastWrite});
            }
            return entries;
        });
}

OpenedFile* MemoryFileSystem::ProgramFile() {
    if (programFile_)
        return programFile_.get();
    if (failures_.ShouldFail(Operation::OpenFile, programPath_))
        return nullptr;
    const Reached reached = Walk(programPath_, true);
    if (!reached.node || reached.node->isFolder || !reached.parent)
        return nullptr;
    // The image that runs is the file marked running, when a test marked one.
    if (image_ && image_ != reached.node)
        return nullptr;
    programFile_ = std::make_unique<MemoryOpenedFile>(failures_, programPath_, reached.path, reached.node,
                                                      reached.parent, false);
    return programFile_.get();
}

bool MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
    return MoveFile(from, to);
}

bool MemoryFileSystem::CanRename(const std::string& path) {
    if (failures_.ShouldFail(Operation::OpenFile, path))
        return false;
    std::string leaf;
    auto parent = ParentOf(path, leaf);
    auto node = parent ? parent->Child(leaf) : nullptr;
    return node && !FileOf(*node).locked && !HeldOpen(*node);
}

std::shared_ptr<FileNode> MemoryFileSystem::NewFile(const std::string& path) {
    std::string leaf;
    auto parent = ParentOf(path, leaf);
    // CREATE_NEW: anything under that name, a link that leads nowhere included, refuses.
    if (!parent || leaf.empty() || parent->Child(leaf))
        return nullptr;
    auto created = std::make_shared<FileNode>();
    created->name = leaf;
    created->attributes = kAttrArchive;
    parent->children.push_back(created);
    return created;
}

bool MemoryFileSystem::WriteNew(const std::string& path, const std::string& content, Operation operation) {
    if (failures_.ShouldFail(operation, path)) {
        if (failures_.CutOffNow()) {
            if (auto target = NewFile(path)) {
                target->content = content.substr(0, content.size() / 2);
                target->lastWrite = ++writes_;
            }
        }
        return false;
    }
    auto target = NewFile(path);
    if (!target)
        return false;
    target->content = content;
    target->lastWrite = ++writes_;
    return true;
}

bool MemoryFileSystem::CopyToNewFile(const std::string& from,
                                     const std::string& to,
                                     const std::function<void(const char* data, std::size_t size)>& copied) {
    if (failures_.ShouldFail(Operation::CopyFile, from))
        return false;
    auto source = Find(from);
    if (!source || source->isFolder || source->locked)
        return false;
    const std::string content = source->content;
    if (!WriteNew(to, content, Operation::CopyFile))
        return false;
    Find(to)->attributes = (source->attributes & ~kAttrReadOnly) | kAttrArchive;
    Find(to)->lastWrite = source->lastWrite;
    constexpr std::size_t kPiece = 5;
    for (std::size_t done = 0; done < content.size(); done += kPiece)
        copied(content.data() + done, std::min(kPiece, content.size() - done));
    return true;
}

bool MemoryFileSystem::CopyOpenedToNewFile(
    OpenedFile& from,
    const std::string& to,
    const std::function<void(const char* data, std::size_t size)>& copied) {
    const auto* opened = dynamic_cast<const MemoryOpenedFile*>(&from);
    if (opened && failures_.ShouldFail(Operation::CopyFile, opened->Path()))
        return false;
    std::string content;
    if (!from.ReadPieces(std::string::npos,
                         [&content](const char* data, std::size_t size) { content.append(data, size); }))
        return false;
    if (!WriteNew(to, content, Operation::CopyFile))
        return false;
    if (opened) {
        // As CopyToNewFile: the source's attributes but read-only, and its time of last write.
        Find(to)->attributes = (opened->Node().attributes & ~kAttrReadOnly) | kAttrArchive;
        Find(to)->lastWrite = opened->Node().lastWrite;
    }
    constexpr std::size_t kPiece = 5;
    for (std::size_t done = 0; done < content.size(); done += kPiece)
        copied(content.data() + done, std::min(kPiece, content.size() - done));
    return true;
}

bool MemoryFileSystem::WriteNewFile(const std::string& path, const std::string& content) {
    return WriteNew(path, content, Operation::WriteFile);
}

std::string MemoryFileSystem::FinalPath(const std::string& path) {
    if (failures_.ShouldFail(Operation::OpenFile, path))
        return std::string();
    const Reached reached = Walk(path, true);
    return reached.node ? reached.path : std::string();
}

std::string MemoryFileSystem::FullPath(const std::string& path) {
    std::string slashes = path;
    for (char& c : slashes) {
        if (c == '/')  // never the second byte of a double-byte character
            c = '\\';
    }
    std::string absolute;
    if (slashes.size() >= 2 && slashes[1] == ':' && (slashes.size() == 2 || slashes[2] != '\\')) {
        // "D:name" is relative to that drive's current folder: the root here, unless it is ours.
        const bool ours = text936::EqualsNoCase(currentDirectory_.substr(0, 2), slashes.substr(0, 2));
        absolute = (ours ? currentDirectory_ : slashes.substr(0, 2)) + "\\" + slashes.substr(2);
    } else if (slashes.size() >= 2 && slashes[1] == ':') {
        absolute = slashes;
    } else if (!slashes.empty() && slashes[0] == '\\') {
        absolute = currentDirectory_.substr(0, 2) + slashes;
    } else {
        absolute = currentDirectory_ + "\\" + slashes;
    }
    std::vector<std::string> levels;
    std::size_t start = 0;
    while (start <= absolute.size()) {
        std::size_t sep = text936::Find(absolute.substr(start), "\\");
        const std::string level = absolute.substr(start, sep == text936::npos ? text936::npos : sep);
        if (level == "..") {
            if (levels.size() > 1)
                levels.pop_back();
        } else if (!level.empty() && level != ".") {
            levels.push_back(level);
        }
        if (sep == text936::npos)
            break;
        start += sep + 1;
    }
    if (levels.empty())
        return std::string();
    if (levels.size() > 1 && IsDeviceName(levels.back()))
        return "\\\\.\\" + levels.back();
    std::string full = levels.front() + "\\";
    for (std::size_t i = 1; i < levels.size(); ++i)
        full += (i > 1 ? "\\" : "") + levels[i];
    return full.size() < 260 ? full : std::string();
}

void MemoryFileSystem::Restart() {
    std::vector<std::shared_ptr<FileNode>> pending{drives_};
    while (!pending.empty()) {
        auto node = pending.back();
        pending.pop_back();
        node->locked = false;
        node->running = false;
        for (const auto& child : node->children)
            pending.push_back(child);
    }
    for (const std::string& path : pendingDeletions_) {
        std::string leaf;
        auto parent = ParentOf(path, leaf);
        auto target = parent ? parent->Child(leaf) : nullptr;
        if (!target || (target->isFolder && !target->children.empty()))
            continue;
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), target), siblings.end());
    }
    pendingDeletions_.clear();
    image_ = nullptr;
    programFile_.reset();
}

void MemoryFileSystem::AddDrive(const std::string& drive) {
    if (drives_->Child(drive))
        return;
    auto node = std::make_shared<FileNode>();
    node->name = drive;
    node->isFolder = true;
    drives_->children.push_back(node);
}

void MemoryFileSystem::AddFolder(const std::string& path) {
    auto levels = SplitPath(path);
    if (!levels)
        return;
    AddDrive(levels->front());
    std::shared_ptr<FileNode> node = drives_;
    for (const auto& level : *levels) {
        auto child = node->Child(level);
        if (!child) {
            child = std::make_shared<FileNode>();
            child->name = level;
            child->isFolder = true;
            node->children.push_back(child);
        }
        node = child;
    }
}

std::shared_ptr<FileNode> MemoryFileSystem::MadeParentOf(const std::string& path, std::string& leaf) {
    std::size_t sep = text936::FindLastBackslash(path);
    if (sep == text936::npos)
        return nullptr;
    AddFolder(path.substr(0, sep));
    return ParentOf(path, leaf);
}

void MemoryFileSystem::AddFile(const std::string& path,
                               const std::string& content,
                               std::uint32_t attributes) {
    std::string leaf;
    auto parent = MadeParentOf(path, leaf);
    if (!parent)
        return;
    auto node = parent->Child(leaf);
    if (!node) {
        node = std::make_shared<FileNode>();
        node->name = leaf;
        parent->children.push_back(node);
    }
    node->content = content;
    node->lastWrite = ++writes_;
    node->attributes = attributes & ~kAttrDirectory;
}

void MemoryFileSystem::AddLink(const std::string& path, const std::string& target, bool folder) {
    std::string leaf;
    auto parent = MadeParentOf(path, leaf);
    if (!parent || parent->Child(leaf))
        return;
    auto node = std::make_shared<FileNode>();
    node->name = leaf;
    node->isFolder = folder;
    node->attributes = kAttrReparsePoint;
    node->linkTarget = target;
    parent->children.push_back(node);
}

void MemoryFileSystem::TakeLastWrite(const std::string& path, const std::string& model) {
    const auto node = Find(path);
    const auto from = Find(model);
    if (node && from)
        node->lastWrite = from->lastWrite;
}

void MemoryFileSystem::Lock(const std::string& path) {
    if (auto node = Find(path))
        node->locked = true;
}

void MemoryFileSystem::Run(const std::string& path) {
    if (auto node = Find(path)) {
        node->running = true;
        image_ = node;
    }
}

void MemoryFileSystem::AddHardLink(const std::string& path, const std::string& existing) {
    auto file = Find(existing);
    std::string leaf;
    auto parent = MadeParentOf(path, leaf);
    if (!file || file->isFolder || !parent || parent->Child(leaf))
        return;
    auto node = std::make_shared<FileNode>();
    node->name = leaf;
    node->sameFile = file;
    ++file->names;
    parent->children.push_back(node);
}

bool MemoryFileSystem::RenameFolder(const std::string& from, const std::string& to) {
    std::string sourceLeaf, leaf;
    auto sourceParent = ParentOf(from, sourceLeaf);
    auto source = sourceParent ? sourceParent->Child(sourceLeaf) : nullptr;
    auto parent = ParentOf(to, leaf);
    if (!source || !parent || parent->Child(leaf) || HeldOpen(*source))
        return false;
    auto& siblings = sourceParent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), source), siblings.end());
    source->name = leaf;
    parent->children.push_back(source);
    return true;
}

void MemoryFileSystem::Unlock(const std::string& path) {
    if (auto node = Find(path))
        node->locked = false;
}

std::optional<std::string> MemoryFileSystem::ReadFile(const std::string& path) const {
    auto node = Find(path);
    if (!node || node->isFolder)
        return std::nullopt;
    return node->content;
}

bool MemoryFileSystem::Exists(const std::string& path) const {
    return Find(path, false) != nullptr;
}

std::vector<std::string> MemoryFileSystem::List(const std::string& folder) const {
    std::vector<std::string> names;
    auto node = Find(folder);
    if (!node || !node->isFolder)
        return names;
    for (const auto& child : Ordered(*node))
        names.push_back(child->name);
    return names;
}

std::string MemoryFileSystem::Dump() const {
    std::map<std::string, std::string> lines;  // keyed by upper-cased path for a stable order
    std::vector<std::pair<std::string, std::shared_ptr<FileNode>>> pending;
    for (const auto& drive : drives_->children)
        pending.emplace_back(drive->name, drive);
    while (!pending.empty()) {
        auto [path, node] = pending.back();
        pending.pop_back();
        std::ostringstream line;
        line << path << (node->isFolder ? "\\" : "") << " [" << std::hex << ReportedAttributes(*node)
             << std::dec << "]";
        if (!node->linkTarget.empty())
            line << " -> " << node->linkTarget;
        else if (!node->isFolder)
            line << " \"" << FileOf(*node).content << "\"" << (FileOf(*node).names > 1 ? " (hard link)" : "");
        lines[text936::ToUpper(path)] = line.str();
        for (const auto& child : node->children)
            pending.emplace_back(path + "\\" + child->name, child);
    }
    std::string out;
    for (const auto& entry : lines)
        out += entry.second + "\n";
    return out;
}

}  // namespace platform::memory
