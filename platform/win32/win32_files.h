#pragma once
// The file system over kernel32's ANSI functions. Paths are code-page-936 bytes as the A functions
// take them; every call is a single system call with its Windows semantics.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win32/win32_api.h"

namespace platform::win32 {

// GetFinalPathNameByHandleA of an open file or folder (a HANDLE), spelt as the program spells
// paths: "C:\..." or "\\server\share\..."; empty on failure.
std::string FinalPathOfHandle(void* handle);

// A listing's entry as the program reads it: its time the time of last write, never the creation time
// (under Wine the two are one, on Windows a copy's creation time is the moment of copying).
DirEntry EntryOf(const WIN32_FIND_DATAA& data);

class Win32FileSystem : public FileSystem {
  public:
    // FindFirstFileA. nullptr when nothing matches or the folder cannot be listed; `first` is then
    // left unchanged. The search's Next is FindNextFileA: false at the end or on error, leaving its
    // entry unchanged. The search closes its handle when destroyed.
    std::unique_ptr<FileSearch> FindFirst(const std::string& pattern, DirEntry& first) override;

    // CopyFileA, DeleteFileA, CreateDirectoryA, RemoveDirectoryA, SetFileAttributesA: true when the
    // call succeeded; on failure the file system is as the call left it (normally unchanged).
    bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override;
    // CopyFileA's steps done here, through one buffer of up to 1 MB so that each piece can be handed
    // on: the source opened sharing everything, the target created sharing nothing (so a copy onto
    // itself fails) with the source's attributes (a read-only or hidden target refuses), the content,
    // the source's time of last change. A copy that fails part way is deleted, as CopyFileA does.
    bool CopyFileReporting(const std::string& from,
                           const std::string& to,
                           const std::function<void(const char* data, std::size_t size)>& copied) override;
    // MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED).
    bool MoveFile(const std::string& from, const std::string& to) override;
    bool CreateDirectory(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    // A plain file is deleted through a handle checked to be the name's own (FileDispositionInfo).
    // Anything else (a link, a read-only file, a name the check cannot confirm) is taken by a new
    // file "~BrelixSetup.<n>.del" beside it, made with CREATE_NEW and held without sharing, renamed
    // over the name through its handle (FileRenameInfo) and deleted through it.
    bool DeleteName(const std::string& path) override;
    bool RemoveDirectory(const std::string& path) override;
    // GetFileAttributesA; nullopt when it reports INVALID_FILE_ATTRIBUTES.
    std::optional<std::uint32_t> GetAttributes(const std::string& path) override;
    // SetFileAttributesA while the file is held open (reparse point, hard links and final path checked).
    bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
    // SetFileInformationByHandle(FileRenameInfo, replacing) on a handle to `from` that is checked to
    // be the name's own file: Wine would move the file a link leads to. A link is refused.
    bool Rename(const std::string& from, const std::string& to) override;
    // CreateFileA with DELETE access, sharing everything, not following a final link.
    bool CanRename(const std::string& path) override;
    // CopyFileReporting's steps into a target made with CREATE_NEW, without read-only.
    bool CopyToNewFile(const std::string& from,
                       const std::string& to,
                       const std::function<void(const char* data, std::size_t size)>& copied) override;
    bool CopyOpenedToNewFile(OpenedFile& from,
                             const std::string& to,
                             const std::function<void(const char* data, std::size_t size)>& copied) override;
    // CreateFileA with CREATE_NEW, then WriteFile of every byte; deleted through its handle on failure.
    bool WriteNewFile(const std::string& path, const std::string& content) override;

    // The RCDATA resource `name` of the running program (SetUp.exe carries "BRELIXUSER", the
    // separately built and signed BrelixUser.exe), written unchanged. A partly written file is deleted.
    bool WriteCarriedFile(const std::string& name, const std::string& path) override;
    // CreateFileA (sharing reads only) and ReadFile; nullopt when the file cannot be opened, is
    // larger than `maxBytes` or is not read whole.
    std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes) override;
    // The same file read sequentially through one buffer of 256 KB.
    bool ReadPieces(const std::string& path,
                    std::size_t maxBytes,
                    const std::function<void(const char* data, std::size_t size)>& consume) override;
    // CreateFileA with CREATE_ALWAYS, then WriteFile of every byte.
    bool WriteWholeFile(const std::string& path, const std::string& content) override;
    // MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT).
    bool DeleteAtRestart(const std::string& path) override;

    // CreateFileA with FILE_FLAG_OPEN_REPARSE_POINT (Wine 8 follows a final link all the same, so
    // the caller checks FinalPath too), for reading and deleting, sharing reads only: nobody can
    // change, rename or delete the file while it is checked. The handle's attributes, size and names
    // come from GetFileInformationByHandleEx, its final path from GetFinalPathNameByHandleA, and Delete
    // is SetFileInformationByHandle with FileDispositionInfo, after read-only is cleared through a
    // second handle to the same file (FileBasicInfo).
    std::unique_ptr<OpenedFile> OpenToDelete(const std::string& path) override;
    // The same open without DELETE access.
    std::unique_ptr<OpenedFile> OpenToRead(const std::string& path) override;
    // CreateFileA(GENERIC_READ, sharing reads and writes, FILE_FLAG_BACKUP_SEMANTICS |
    // FILE_FLAG_OPEN_REPARSE_POINT).
    std::unique_ptr<HeldFolder> HoldFolder(const std::string& path) override;
    // The same open with DELETE access too. RemoveIfEmpty is SetFileInformationByHandle with
    // FileDispositionInfo (refused with ERROR_DIR_NOT_EMPTY for a folder that is not empty, under Wine
    // 8 too), then the handle closed, then the name checked to be gone (Wine lets a file be made in a
    // folder whose deletion is pending, which then stays). Wine 8 opens what a link leads to and
    // removes that, so the caller checks FinalPath first. A hold lists its folder with
    // GetFileInformationByHandleEx (FileFullDirectoryInfo): Wine's FindFirstFileA shares no deletion
    // and fails on a folder held with DELETE access.
    std::unique_ptr<HeldFolder> HoldFolderToRemove(const std::string& path) override;
    // GetModuleFileNameA's file opened sharing reads only, accepted when GetMappedFileNameA of the
    // image names it and its headers are the image's.
    OpenedFile* ProgramFile() override;
    void ReleaseProgramFile() override { programFile_.reset(); }
    // GetFinalPathNameByHandleA of a handle opened with FILE_FLAG_BACKUP_SEMANTICS, without the
    // "\\?\" (or "\\?\UNC") prefix. A folder held through this backend answers from its held
    // handle, once: held without FILE_SHARE_DELETE, neither it nor a folder above it can be renamed.
    std::string FinalPath(const std::string& path) override;

    // Called by a held folder as its hold begins and ends.
    void Remember(const void* holder, const std::string& path, HANDLE folder);
    void Forget(const void* holder);
    // GetFullPathNameA into 260 bytes.
    std::string FullPath(const std::string& path) override;

    // GetModuleFileNameA(NULL) with 261 bytes; a longer path comes back cut, empty on failure.
    std::string ProgramPath() override;
    // GetCurrentDirectoryA, however long the path is; empty on failure.
    std::string CurrentDirectory() override;
    // GetTempPathA without its trailing "\"; empty on failure.
    std::string TempDirectory() override;

  private:
    // Copies everything `source` holds from where it stands; false on a read or write error.
    bool CopyContent(HANDLE source,
                     HANDLE target,
                     unsigned long long expectedSize,
                     const std::function<void(const char* data, std::size_t size)>& copied);
    bool CopyIntoNew(HANDLE source,
                     DWORD sourceAttributes,
                     const std::string& to,
                     const std::function<void(const char* data, std::size_t size)>& copied);

    // Whether `file`, opened by the name `path`, is that name's own file, where the name's folder says
    // it is: Wine opens what a final link leads to all the same. False for a path without a folder.
    bool IsNamesOwnFile(HANDLE file, const std::string& path);
    // Deletes `path` through a handle to it, when that is the name's own plain file.
    bool DeleteOwnFile(const std::string& path);
    std::unique_ptr<HeldFolder> HoldFolderOpened(const std::string& path, bool mayRemove);

    struct HeldFinal {
        const void* holder;
        std::string path;
        HANDLE folder;
        std::string final;  // empty until first asked for
    };
    std::vector<HeldFinal> heldFinals_;
    std::unique_ptr<OpenedFile> programFile_;
    bool programFileTried_ = false;
    // Kept between copies, grown to the largest piece needed so far: most shipped files are small.
    std::unique_ptr<char[]> copyBuffer_;
    std::size_t copyBufferSize_ = 0;
};

}  // namespace platform::win32
