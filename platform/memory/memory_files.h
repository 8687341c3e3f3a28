#pragma once
// An in-memory file system with Windows' rules: drive-rooted paths with "\" separators, names
// compared without regard to case but kept as first written, "." and ".." listed first in a
// folder that is not a drive root, read-only files that cannot be replaced or deleted, copies
// that carry the source's attributes, and files held open without sharing ("locked").

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/memory/failures.h"

namespace platform::memory {

enum class ListingOrder {
    Sorted,    // by upper-cased name, as NTFS and Wine list
    Creation,  // in the order entries were made
};

struct FileNode;

class MemoryFileSystem : public FileSystem {
  public:
    explicit MemoryFileSystem(FailureInjector& failures);
    ~MemoryFileSystem() override;

    std::unique_ptr<FileSearch> FindFirst(const std::string& pattern, DirEntry& first) override;
    bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override;
    // CopyFile, then the target's content in pieces of a few bytes.
    bool CopyFileReporting(const std::string& from,
                           const std::string& to,
                           const std::function<void(const char* data, std::size_t size)>& copied) override;
    bool MoveFile(const std::string& from, const std::string& to) override;
    bool CreateDirectory(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    // The name's own node goes (a link, not what it leads to), past read-only.
    bool DeleteName(const std::string& path) override;
    bool RemoveDirectory(const std::string& path) override;
    std::optional<std::uint32_t> GetAttributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
    bool WriteCarriedFile(const std::string& name, const std::string& path) override;
    std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes) override;
    // Hands the content on in pieces of a few bytes, so that readers meet piece boundaries anywhere.
    bool ReadPieces(const std::string& path,
                    std::size_t maxBytes,
                    const std::function<void(const char* data, std::size_t size)>& consume) override;
    bool WriteWholeFile(const std::string& path, const std::string& content) override;
    bool DeleteAtRestart(const std::string& path) override;
    // Opens the file itself, a link not followed, unless SetOpenFollowsLinks(true).
    std::unique_ptr<OpenedFile> OpenToDelete(const std::string& path) override;
    std::unique_ptr<OpenedFile> OpenToRead(const std::string& path) override;
    // A held folder cannot be renamed or removed, nor can a folder with anything held below it.
    std::unique_ptr<HeldFolder> HoldFolder(const std::string& path) override;
    // The same hold opened to be deleted: refused while the folder is held at all, and it refuses
    // every other hold of the folder while it lasts. RemoveIfEmpty removes the folder node the hold
    // holds (reached through a link when opening follows links, as Wine does).
    std::unique_ptr<HeldFolder> HoldFolderToRemove(const std::string& path) override;
    // The file at the program's path, unless a test marked another file as the running image (Run).
    OpenedFile* ProgramFile() override;
    void ReleaseProgramFile() override { programFile_.reset(); }
    bool Rename(const std::string& from, const std::string& to) override;
    // False for a locked or held file (or one with anything held below it).
    bool CanRename(const std::string& path) override;
    bool CopyToNewFile(const std::string& from,
                       const std::string& to,
                       const std::function<void(const char* data, std::size_t size)>& copied) override;
    bool CopyOpenedToNewFile(OpenedFile& from,
                             const std::string& to,
                             const std::function<void(const char* data, std::size_t size)>& copied) override;
    bool WriteNewFile(const std::string& path, const std::string& content) override;
    std::string FinalPath(const std::string& path) override;
    // Against the current directory; "/" read as "\", "." and ".." resolved, empty levels dropped,
    // a device name as the last level gives "\\.\<name>".
    std::string FullPath(const std::string& path) override;
    std::string ProgramPath() override { return programPath_.size() < 260 ? programPath_ : std::string(); }
    std::string CurrentDirectory() override { return currentDirectory_; }
    std::string TempDirectory() override { return tempDirectory_; }

    // Set-up. Drives appear when a path on them is added; "C:" exists from the start.
    void AddDrive(const std::string& drive);  // "D:"
    void AddFolder(const std::string& path);  // every missing level
    void AddFile(const std::string& path,
                 const std::string& content,
                 std::uint32_t attributes = kAttrArchive);
    // Only the path: a test that needs the program's file (the uninstaller is a copy of it) adds it.
    // Another program starts: no file is marked as its running image yet.
    void SetProgramPath(const std::string& path) {
        programPath_ = path;
        image_ = nullptr;
        programFile_.reset();
    }
    // A file the program carries inside itself, for WriteCarriedFile.
    void AddCarriedFile(const std::string& name, const std::string& content) { carried_[name] = content; }
    void SetCurrentDirectory(const std::string& path) { currentDirectory_ = path; }
    void SetTempDirectory(const std::string& path) { tempDirectory_ = path; }
    // A link at `path` to `target` (a full path, which need not exist): followed at every level of
    // a path but the last, listed with kAttrReparsePoint (and kAttrDirectory when `folder`).
    // Deleting or removing it removes the link; a write to it writes the target.
    void AddLink(const std::string& path, const std::string& target, bool folder = true);
    // Wine 8 follows a final link even when asked to open the link itself.
    void SetOpenFollowsLinks(bool follows) { openFollowsLinks_ = follows; }
    // A second name `path` for the file `existing` (a hard link): no reparse point, one content.
    void AddHardLink(const std::string& path, const std::string& existing);
    // What another program can do to a folder: rename it, unless it or anything below it is held.
    bool RenameFolder(const std::string& from, const std::string& to);
    // What SetFileTime lets whoever may write a file do: `path` takes the time of last write `model` has.
    void TakeLastWrite(const std::string& path, const std::string& model);
    void Lock(const std::string& path);
    void Unlock(const std::string& path);
    // The file of a running program, as Windows treats it: it cannot be deleted or overwritten, but
    // it can be renamed. It is the image HoldProgramFile expects.
    void Run(const std::string& path);
    void SetListingOrder(ListingOrder order) { order_ = order; }
    // What the system does at a restart: carries out the pending deletions in order (a folder
    // that is not empty by then stays), and releases every lock.
    void Restart();
    const std::vector<std::string>& PendingDeletions() const { return pendingDeletions_; }

    // Inspection.
    std::optional<std::string> ReadFile(const std::string& path) const;
    bool Exists(const std::string& path) const;
    // Names in listing order, without "." and "..". Empty for a missing folder.
    std::vector<std::string> List(const std::string& folder) const;
    // Every folder and file with attributes and content, sorted, one per line.
    std::string Dump() const;

  private:
    // What a write cut off part way leaves: the file created or truncated, half its content there.
    void LeaveHalfWritten(const std::string& path, const std::string& content);
    std::unique_ptr<OpenedFile> OpenFile(const std::string& path, bool mayDelete);
    std::unique_ptr<HeldFolder> HoldFolderOpened(const std::string& path, bool mayRemove);
    // A new empty file, as CREATE_NEW makes it; nullptr when anything is under that name.
    std::shared_ptr<FileNode> NewFile(const std::string& path);
    // A new file with `content`, failing (and cut off half written) as `operation` on `path` does.
    bool WriteNew(const std::string& path, const std::string& content, Operation operation);

    FailureInjector& failures_;
    std::shared_ptr<FileNode> drives_;  // children are the drives ("C:", "D:")
    ListingOrder order_ = ListingOrder::Sorted;
    std::uint64_t writes_ = 0;  // the last write's stamp
    std::string programPath_ = "C:\\Setup\\SetUp.exe";
    std::string currentDirectory_ = "C:\\";
    std::string tempDirectory_ = "C:\\Temp";
    std::map<std::string, std::string> carried_;
    std::vector<std::string> pendingDeletions_;
    bool openFollowsLinks_ = false;
    std::shared_ptr<FileNode> image_;  // the running program's file, once a test marked it
    std::unique_ptr<OpenedFile> programFile_;

    struct Reached {
        std::shared_ptr<FileNode> node;    // nullptr: nothing there
        std::shared_ptr<FileNode> parent;  // the folder holding it
        std::string path;                  // where the links led, as spelt on disk
    };
    // Walks a path from its drive, following links on the way, and at its last level too when
    // `followLast`.
    Reached Walk(const std::string& path, bool followLast) const;
    std::shared_ptr<FileNode> Find(const std::string& path, bool followLast = true) const;
    std::shared_ptr<FileNode> ParentOf(const std::string& path, std::string& leaf) const;
    // The folder that holds `path`, made with every missing level first; nullptr for a bare name.
    std::shared_ptr<FileNode> MadeParentOf(const std::string& path, std::string& leaf);
    // The file a write replaces or creates, as CreateFileA with CREATE_ALWAYS finds it: an existing
    // file that is not read-only, hidden or locked, or a new empty one in an existing folder.
    // nullptr when neither can be had.
    std::shared_ptr<FileNode> FileToWrite(const std::string& path);
    std::vector<std::shared_ptr<FileNode>> Ordered(const FileNode& folder) const;
};

}  // namespace platform::memory
