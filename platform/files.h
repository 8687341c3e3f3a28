#pragma once
// The file system as the installer uses it: ANSI (code page 936) paths with "\" separators,
// names compared without regard to letter case. Implemented by win32/ and memory/.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

constexpr std::uint32_t kAttrReadOnly = 0x01;
constexpr std::uint32_t kAttrHidden = 0x02;
constexpr std::uint32_t kAttrSystem = 0x04;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;
constexpr std::uint32_t kAttrNormal = 0x80;
// A link (symbolic link, junction, mount point): what it names can be anywhere.
constexpr std::uint32_t kAttrReparsePoint = 0x400;

struct DirEntry {
    std::string name;  // as stored on disk
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    // When the content was last written, in 100 ns steps since 1601 (a FILETIME); a copy carries it.
    std::uint64_t lastWrite = 0;
};

// A running directory search (FindFirstFileA / FindNextFileA); closes itself.
class FileSearch {
  public:
    virtual ~FileSearch() = default;
    // The next entry; false at the end of the listing (`entry` is then left unchanged).
    virtual bool Next(DirEntry& entry) = 0;
};

// A file held open from its check to its use (read, copied or deleted), so that nothing can be
// swapped in between: nobody can rename, replace or delete it while it is held. Opened without
// following a final link where the system allows it.
class OpenedFile {
  public:
    virtual ~OpenedFile() = default;
    // What the handle holds, as opened: kAttrReparsePoint for a link that was not followed.
    virtual std::uint32_t Attributes() const = 0;
    virtual std::uint64_t Size() const = 0;
    // How many names the file has (hard links): more than one, and a write or an attribute change
    // through any of them reaches a file somewhere else too.
    virtual std::uint32_t LinkCount() const = 0;
    // Where the system resolved the handle to (every link followed), as "C:\..." or
    // "\\server\share\..."; empty when unknown.
    virtual std::string FinalPath() = 0;
    // The content from its start, as FileSystem::ReadPieces reads it.
    virtual bool ReadPieces(std::size_t maxBytes,
                            const std::function<void(const char* data, std::size_t size)>& consume) = 0;
    // Up to `size` bytes into `buffer`, on from where the last read through this handle ended (the
    // start, after the open); how many were read, 0 at the end; nullopt when the read failed.
    virtual std::optional<std::size_t> Read(char* buffer, std::size_t size) = 0;
    // Clears read-only and marks the file to be deleted when the handle closes. False when it
    // cannot be (also for a file opened only to be read, and for a read-only file with more than one
    // name); the file is then as it was.
    virtual bool Delete() = 0;
};

// A folder held open for the whole run: while it is held nobody can rename or delete it, or put a
// link in its place (opened without FILE_SHARE_DELETE and without following a final link).
class HeldFolder {
  public:
    virtual ~HeldFolder() = default;
    // kAttrReparsePoint when what was opened is a link.
    virtual std::uint32_t Attributes() const = 0;
    // Where the system resolves the held folder to, spelt as OpenedFile::FinalPath.
    virtual std::string FinalPath() = 0;
    // Removes the folder this handle holds, when it is empty, and lets go of it: true when it is
    // gone. False when it is not empty, was not held to be removed (FileSystem::HoldFolderToRemove)
    // or cannot be removed; it is then still held. What goes is what the handle holds, whatever its
    // name leads to now: Wine opens what a link leads to, so check FinalPath before.
    virtual bool RemoveIfEmpty() = 0;
    // The folder's entries but "." and "..", read through this hold in the system's order; nullopt
    // when it cannot be read. A folder held to be removed is listed so: Wine refuses FindFirst on it
    // (a sharing violation), and a name could lead elsewhere.
    virtual std::optional<std::vector<DirEntry>> List() = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Starts a search over a pattern such as "C:\A\*.*" or an exact path. On success `first`
    // holds the first entry; nullptr when nothing matches or the folder cannot be listed.
    virtual std::unique_ptr<FileSearch> FindFirst(const std::string& pattern, DirEntry& first) = 0;

    // CopyFileA: copies content and attributes; with failIfExists false an existing target is
    // replaced (a read-only target makes the copy fail, as on Windows).
    virtual bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
    // The same copy as CopyFile(from, to, false), handing each piece of the content copied to
    // `copied` on the way, in order, so that what was copied can be checked without reading it
    // again. After a failure the pieces handed on are not the whole file.
    virtual bool CopyFileReporting(const std::string& from,
                                   const std::string& to,
                                   const std::function<void(const char* data, std::size_t size)>& copied) = 0;
    // MoveFileExA with MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED: renames a file, replacing
    // an existing target (Windows refuses a read-only one, Wine does not: clear it first); across
    // volumes it is copied and then deleted. The file keeps its attributes. On failure the source is
    // still there.
    virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
    // A rename within one volume, never a copy, replacing an existing target. Replacing a link or one
    // name of a hard-linked file replaces that name only: nothing is written into what it leads to.
    // Refuses a read-only target, and a `from` that is a link to a file (Wine would move the file it
    // leads to; the link stays where it is).
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    // Whether `path` could be renamed now: it can be opened for deletion, sharing everything, so
    // nobody holds it open without FILE_SHARE_DELETE. A module a program has loaded can be renamed.
    virtual bool CanRename(const std::string& path) = 0;
    // Copies `from` into a new file `to` that nothing may be in the place of (CREATE_NEW: a file, a
    // link or a dangling link there makes it fail), handing each piece on as CopyFileReporting does.
    // The new file is not read-only. A copy that fails part way is deleted.
    virtual bool CopyToNewFile(const std::string& from,
                               const std::string& to,
                               const std::function<void(const char* data, std::size_t size)>& copied) = 0;
    // The same from a file already opened and checked, read from its start through that handle.
    virtual bool CopyOpenedToNewFile(
        OpenedFile& from,
        const std::string& to,
        const std::function<void(const char* data, std::size_t size)>& copied) = 0;
    // Creates `path` with exactly `content`, as CopyToNewFile creates its target: false when anything
    // is in its place. A write that fails part way is deleted.
    virtual bool WriteNewFile(const std::string& path, const std::string& content) = 0;
    // Creates one folder level; fails when it exists or its parent is missing.
    virtual bool CreateDirectory(const std::string& path) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    // Deletes the name `path` itself, never a file it leads to (Wine deletes what a link leads to
    // when asked to delete the link): a new empty file takes the name through its own handle, which
    // nobody else can reach, and is deleted through it. True when nothing is left under the name;
    // a folder is refused.
    virtual bool DeleteName(const std::string& path) = 0;
    // Removes an empty folder.
    virtual bool RemoveDirectory(const std::string& path) = 0;
    // nullopt when nothing of that name exists.
    virtual std::optional<std::uint32_t> GetAttributes(const std::string& path) = 0;
    // Changes the attributes of the file or folder itself, through a handle that follows no link:
    // refused for a link and for a file with more than one name, whose other names may be anywhere.
    virtual bool SetAttributes(const std::string& path, std::uint32_t attributes) = 0;

    // Writes the file that the running program carries under `name` to `path`, replacing an
    // existing one, byte for byte (on Windows an RCDATA resource such as "BRELIXUSER"). False when the
    // program carries no such file or it cannot be written; nothing partly written is left.
    virtual bool WriteCarriedFile(const std::string& name, const std::string& path) = 0;

    // The whole content of a file of at most `maxBytes` bytes; nullopt when it is missing, a
    // folder, held open without sharing, larger than `maxBytes` or otherwise unreadable.
    virtual std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes) = 0;
    // The same content handed to `consume` piece by piece, in order (no piece for an empty file),
    // so that a large file is never held whole. False where ReadWholeFile gives nullopt, also when
    // the read fails part way: what was handed on until then is then not the whole file.
    virtual bool ReadPieces(const std::string& path,
                            std::size_t maxBytes,
                            const std::function<void(const char* data, std::size_t size)>& consume) = 0;
    // Creates or replaces a file with exactly `content`. False when it cannot (a read-only or
    // locked target, a missing folder); the target may then be missing or incomplete.
    virtual bool WriteWholeFile(const std::string& path, const std::string& content) = 0;
    // Has the system delete a file, or a folder that is empty by then, at the next restart
    // (MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT; administrators only). Requests run in the
    // order they were made, so a folder's files go before the folder.
    virtual bool DeleteAtRestart(const std::string& path) = 0;

    // Opens a file to check and delete it. nullptr when nothing is there, it is a folder, or it
    // cannot be opened (held open without sharing, no access).
    virtual std::unique_ptr<OpenedFile> OpenToDelete(const std::string& path) = 0;
    // Opens a file to check and read it, sharing reads only; nullptr as for OpenToDelete.
    virtual std::unique_ptr<OpenedFile> OpenToRead(const std::string& path) = 0;
    // Holds a folder (see HeldFolder); nullptr when nothing is there, it is a file, or it cannot be
    // opened (held by someone else without sharing, no access).
    virtual std::unique_ptr<HeldFolder> HoldFolder(const std::string& path) = 0;
    // Holds a folder as HoldFolder does, opened to be deleted too, so that it can be removed through
    // the hold (HeldFolder::RemoveIfEmpty). nullptr as for HoldFolder, and while anyone else holds it
    // (a HoldFolder of it fails in turn while this hold lasts). Holding its parent does not stop it.
    virtual std::unique_ptr<HeldFolder> HoldFolderToRemove(const std::string& path) = 0;
    // The running program's own file, opened at the first call to be read and shared for reading
    // only, and held until the program ends, so that nobody can rename or replace it meanwhile (call
    // it first thing). nullptr when it cannot be opened, or when the file opened is not the image
    // that runs (it was renamed and another put in its place before).
    virtual OpenedFile* ProgramFile() = 0;
    // Lets go of the program's own file, so that the running uninstaller can rename itself.
    virtual void ReleaseProgramFile() = 0;
    // Where the system resolves a file or folder to, every link followed, spelt as OpenedFile's
    // FinalPath; empty when it cannot be opened.
    virtual std::string FinalPath(const std::string& path) = 0;
    // GetFullPathNameA: `path` made absolute, "/" read as "\", "." and ".." levels resolved;
    // touches nothing. Empty on failure or when the result would not fit 260 bytes.
    virtual std::string FullPath(const std::string& path) = 0;

    // GetModuleFileNameA(NULL) into a 260-byte buffer. Empty when the path does not fit: a cut
    // path would name some other file.
    virtual std::string ProgramPath() = 0;
    virtual std::string CurrentDirectory() = 0;
    // The user's temporary folder without a trailing "\"; empty when unknown.
    virtual std::string TempDirectory() = 0;
};

}  // namespace platform
