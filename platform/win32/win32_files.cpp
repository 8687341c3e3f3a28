#include "platform/win32/win32_files.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/text936.h"
#include "platform/win32/unique_handles.h"

namespace platform::win32 {

DirEntry EntryOf(const WIN32_FIND_DATAA& data) {
    return DirEntry{data.cFileName, data.dwFileAttributes,
                    (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                    (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                        data.ftLastWriteTime.dwLowDateTime};
}

namespace {

class Win32FileSearch : public FileSearch {
  public:
    explicit Win32FileSearch(UniqueFind find) : find_(std::move(find)) {}
    bool Next(DirEntry& entry) override;

  private:
    UniqueFind find_;
};

// Calls a "fill this buffer, or tell me the size needed" function until the text fits.
template <typename Fill>
std::string GrowingRead(Fill fill) {
    std::vector<char> buffer(MAX_PATH + 1, '\0');
    for (;;) {
        const DWORD length = fill(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0)
            return std::string();
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.assign(length + 1, '\0');
    }
}

// The source of a copy, shared as CopyFileA shares it, and its attributes (`attributes`); no handle
// for a folder or what cannot be opened. Not GetFileInformationByHandle for the attributes: its volume
// serial number costs Wine a round trip to another process for every file.
UniqueFile OpenCopySource(const std::string& from, DWORD& attributes) {
    attributes = GetFileAttributesA(from.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return UniqueFile();
    return UniqueFile(CreateFileA(from.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// What SetFileInformationByHandle needs to give a file the name `full` (a full path), replacing
// whatever has it: the name as an NT path in UTF-16. Empty when it cannot be converted.
std::vector<unsigned char> RenameInfoFor(const std::string& full) {
    const std::string ntPath = "\\??\\" + full;
    const int wide = MultiByteToWideChar(CP_ACP, 0, ntPath.c_str(), -1, nullptr, 0);
    if (wide <= 0)
        return {};
    std::vector<unsigned char> rename(sizeof(FILE_RENAME_INFO) +
                                      static_cast<std::size_t>(wide) * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(rename.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>((wide - 1) * sizeof(wchar_t));
    MultiByteToWideChar(CP_ACP, 0, ntPath.c_str(), -1, info->FileName, wide);
    return rename;
}

}  // namespace

// "\\?\C:\A" gives "C:\A", "\\?\UNC\server\share" gives "\\server\share".
std::string FinalPathOfHandle(void* handle) {
    const std::string path = GrowingRead([handle](DWORD size, char* buffer) {
        return GetFinalPathNameByHandleA(handle, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    });
    if (path.compare(0, 8, "\\\\?\\UNC\\") == 0)
        return "\\" + path.substr(7);
    if (path.compare(0, 4, "\\\\?\\") == 0)
        return path.substr(4);
    return path;
}

namespace {

// Cleanup after a failed call leaves that call's error for the caller to read (Environment::LastError).
class KeptLastError {
  public:
    KeptLastError() : error_(GetLastError()) {}
    ~KeptLastError() { SetLastError(error_); }
    KeptLastError(const KeptLastError&) = delete;
    KeptLastError& operator=(const KeptLastError&) = delete;

  private:
    DWORD error_;
};

// What the checks need of an open file or folder. Not GetFileInformationByHandle: its volume serial
// number costs Wine a round trip to another process for every file.
struct HandleFacts {
    DWORD attributes = 0;
    std::uint64_t size = 0;
    DWORD links = 0;
};

bool FactsOf(HANDLE handle, HandleFacts& facts) {
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard))
        return false;
    facts = {basic.FileAttributes, static_cast<std::uint64_t>(standard.EndOfFile.QuadPart),
             standard.NumberOfLinks};
    return true;
}

class Win32OpenedFile : public OpenedFile {
  public:
    Win32OpenedFile(std::string path, UniqueFile file, const HandleFacts& facts, bool mayDelete)
        : path_(std::move(path)), file_(std::move(file)), facts_(facts), mayDelete_(mayDelete) {}

    std::uint32_t Attributes() const override { return facts_.attributes; }
    std::uint64_t Size() const override { return facts_.size; }
    std::uint32_t LinkCount() const override { return facts_.links; }
    std::string FinalPath() override { return FinalPathOfHandle(file_.get()); }
    HANDLE Handle() const { return file_.get(); }
    bool ReadPieces(std::size_t maxBytes,
                    const std::function<void(const char* data, std::size_t size)>& consume) override;
    std::optional<std::size_t> Read(char* buffer, std::size_t size) override {
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        if (!::ReadFile(file_.get(), buffer, wanted, &read, nullptr))
            return std::nullopt;
        return read;
    }
    bool Delete() override;

  private:
    bool ClearReadOnly();

    std::string path_;
    UniqueFile file_;
    HandleFacts facts_;
    bool mayDelete_;
};

class Win32HeldFolder : public HeldFolder {
  public:
    Win32HeldFolder(Win32FileSystem& files,
                    const std::string& path,
                    UniqueFile folder,
                    DWORD attributes,
                    bool mayRemove)
        : files_(files),
          path_(path),
          folder_(std::move(folder)),
          attributes_(attributes),
          mayRemove_(mayRemove) {
        files_.Remember(this, path, folder_.get());
    }
    ~Win32HeldFolder() override { files_.Forget(this); }
    std::uint32_t Attributes() const override { return attributes_; }
    std::string FinalPath() override { return folder_ ? FinalPathOfHandle(folder_.get()) : std::string(); }
    bool RemoveIfEmpty() override;
    std::optional<std::vector<DirEntry>> List() override;

  private:
    Win32FileSystem& files_;
    std::string path_;
    UniqueFile folder_;
    DWORD attributes_;
    bool mayRemove_;
};

std::optional<std::vector<DirEntry>> Win32HeldFolder::List() {
    if (!folder_)
        return std::nullopt;
    std::vector<DirEntry> entries;
    std::vector<unsigned char> buffer(64 * 1024);
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;; kind = FileFullDirectoryInfo) {
        if (!GetFileInformationByHandleEx(folder_.get(), kind, buffer.data(),
                                          static_cast<DWORD>(buffer.size())))
            return GetLastError() == ERROR_NO_MORE_FILES ? std::optional(entries) : std::nullopt;
        for (std::size_t offset = 0;;) {
            const auto* info = reinterpret_cast<const FILE_FULL_DIR_INFO*>(buffer.data() + offset);
            const int wide = static_cast<int>(info->FileNameLength / sizeof(wchar_t));
            const int size =
                WideCharToMultiByte(CP_ACP, 0, info->FileName, wide, nullptr, 0, nullptr, nullptr);
            std::string name(static_cast<std::size_t>(std::max(size, 0)), '\0');
            WideCharToMultiByte(CP_ACP, 0, info->FileName, wide, name.data(), size, nullptr, nullptr);
            if (name != "." && name != "..") {
                entries.push_back(DirEntry{name, info->FileAttributes,
                                           static_cast<std::uint64_t>(info->EndOfFile.QuadPart),
                                           static_cast<std::uint64_t>(info->LastWriteTime.QuadPart)});
            }
            if (info->NextEntryOffset == 0)
                break;
            offset += info->NextEntryOffset;
        }
    }
}

bool Win32HeldFolder::RemoveIfEmpty() {
    if (!mayRemove_ || !folder_)
        return false;
    // Refused for a folder that is not empty (ERROR_DIR_NOT_EMPTY, Wine alike); the folder goes when
    // the handle closes.
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!SetFileInformationByHandle(folder_.get(), FileDispositionInfo, &disposition, sizeof disposition))
        return false;
    files_.Forget(this);
    folder_.reset();
    // Wine lets a file be made in a folder whose deletion is pending; the folder then stays.
    return GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool ReadHandlePieces(HANDLE file,
                      std::size_t maxBytes,
                      const std::function<void(const char* data, std::size_t size)>& consume) {
    constexpr DWORD kPiece = 256u * 1024u;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        return false;
    // No larger than the file: a buffer of the whole piece for a small file costs more than its read.
    std::string buffer(static_cast<std::size_t>(std::min<unsigned long long>(size.QuadPart, kPiece)), '\0');
    for (auto left = static_cast<unsigned long long>(size.QuadPart); left > 0;) {
        const DWORD chunk = static_cast<DWORD>(std::min<unsigned long long>(left, kPiece));
        DWORD read = 0;
        if (!::ReadFile(file, &buffer[0], chunk, &read, nullptr) || read == 0)
            return false;
        consume(buffer.data(), read);
        left -= read;
    }
    return true;
}

bool Win32OpenedFile::ReadPieces(std::size_t maxBytes,
                                 const std::function<void(const char* data, std::size_t size)>& consume) {
    LARGE_INTEGER start{};
    return SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN) &&
           ReadHandlePieces(file_.get(), maxBytes, consume);
}

bool Win32OpenedFile::ClearReadOnly() {
    const DWORD attributes = facts_.attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    // A second handle for the attributes, since Wine refuses a read-only file to a handle that
    // may write them; used only when it holds this very file.
    UniqueFile writable(CreateFileA(path_.c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION same{};
    BY_HANDLE_FILE_INFORMATION held{};
    if (writable && GetFileInformationByHandle(writable.get(), &same) &&
        GetFileInformationByHandle(file_.get(), &held) &&
        same.dwVolumeSerialNumber == held.dwVolumeSerialNumber &&
        same.nFileIndexHigh == held.nFileIndexHigh && same.nFileIndexLow == held.nFileIndexLow) {
        // Zero times leave them as they are; the attributes may not be zero.
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(writable.get(), FileBasicInfo, &basic, sizeof basic);
    } else if (!writable) {
        // Wine, for an ordinary user: by the path, which leads to this file while it is held
        // without FILE_SHARE_DELETE (nobody can rename or delete it meanwhile).
        SetFileAttributesA(path_.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    }
    HandleFacts now;
    return FactsOf(file_.get(), now) && !(now.attributes & FILE_ATTRIBUTE_READONLY);
}

bool Win32OpenedFile::Delete() {
    if (!mayDelete_)
        return false;
    // The read-only bit belongs to the file, not the name: with another name it is not ours to clear.
    if ((facts_.attributes & FILE_ATTRIBUTE_READONLY) && (facts_.links > 1 || !ClearReadOnly()))
        return false;
    // Its one member is spelt by the A/W macro windows.h had when it declared it.
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(file_.get(), FileDispositionInfo, &disposition, sizeof disposition) !=
           FALSE;
}

}  // namespace

bool Win32FileSearch::Next(DirEntry& entry) {
    WIN32_FIND_DATAA data{};
    if (!FindNextFileA(find_.get(), &data))
        return false;
    entry = EntryOf(data);
    return true;
}

std::unique_ptr<FileSearch> Win32FileSystem::FindFirst(const std::string& pattern, DirEntry& first) {
    WIN32_FIND_DATAA data{};
    UniqueFind find(FindFirstFileA(pattern.c_str(), &data));
    if (!find)
        return nullptr;
    first = EntryOf(data);
    return std::make_unique<Win32FileSearch>(std::move(find));
}

bool Win32FileSystem::CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
    return CopyFileA(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE) != FALSE;
}

bool Win32FileSystem::CopyContent(HANDLE source,
                                  HANDLE target,
                                  unsigned long long expectedSize,
                                  const std::function<void(const char* data, std::size_t size)>& copied) {
    constexpr unsigned long long kSmallestPiece = 4096;
    constexpr unsigned long long kLargestPiece = 1u << 20;
    // The buffer fits the file, within bounds; a file that grows meanwhile is read on to its end.
    const std::size_t piece =
        static_cast<std::size_t>(std::clamp<unsigned long long>(expectedSize, kSmallestPiece, kLargestPiece));
    if (copyBufferSize_ < piece) {
        copyBuffer_.reset(new char[piece]);
        copyBufferSize_ = piece;
    }
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(source, copyBuffer_.get(), static_cast<DWORD>(copyBufferSize_), &read, nullptr))
            return false;
        if (read == 0)
            return true;
        copied(copyBuffer_.get(), read);
        DWORD written = 0;
        if (!::WriteFile(target, copyBuffer_.get(), read, &written, nullptr) || written != read)
            return false;
    }
}

bool Win32FileSystem::CopyFileReporting(
    const std::string& from,
    const std::string& to,
    const std::function<void(const char* data, std::size_t size)>& copied) {
    constexpr DWORD kCarriedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                         FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                         FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    DWORD sourceAttributes = 0;
    // A copy onto itself still fails: the target is opened sharing nothing.
    UniqueFile source = OpenCopySource(from, sourceAttributes);
    FILETIME lastWrite{};
    LARGE_INTEGER size{};
    if (!source || !GetFileTime(source.get(), nullptr, nullptr, &lastWrite) ||
        !GetFileSizeEx(source.get(), &size))
        return false;
    const DWORD attributes = sourceAttributes & kCarriedAttributes;
    UniqueFile target(
        CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                    (attributes ? attributes : FILE_ATTRIBUTE_NORMAL) | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!target)
        return false;

    if (!CopyContent(source.get(), target.get(), static_cast<unsigned long long>(size.QuadPart), copied)) {
        const KeptLastError failure;
        target.reset();
        // A read-only source made a read-only copy: it has to go too.
        SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(to.c_str());
        return false;
    }
    // As with CopyFileA, a time the target's file system cannot take does not undo a whole copy.
    SetFileTime(target.get(), nullptr, nullptr, &lastWrite);
    return true;
}

bool Win32FileSystem::MoveFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
}

bool Win32FileSystem::CreateDirectory(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::DeleteFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != FALSE;
}

bool Win32FileSystem::IsNamesOwnFile(HANDLE file, const std::string& path) {
    const std::size_t separator = text936::FindLastBackslash(path);
    if (separator == text936::npos || separator + 1 >= path.size())
        return false;
    const std::string folder = FinalPath(path.substr(0, separator + (separator == 2 ? 1 : 0)));
    return !folder.empty() &&
           text936::EqualsNoCase(FinalPathOfHandle(file), text936::WithoutTrailingBackslash(folder) + "\\" +
                                                              path.substr(separator + 1));
}

bool Win32FileSystem::DeleteOwnFile(const std::string& path) {
    // Held, sharing no deletion, from the check to the deletion: the name cannot be swapped meanwhile.
    UniqueFile file(CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!file || !GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof tag) ||
        (tag.FileAttributes &
         (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return false;
    if (!IsNamesOwnFile(file.get(), path))
        return false;
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition) !=
           FALSE;
}

bool Win32FileSystem::DeleteName(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    constexpr DWORD kNotPlain = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (!(attributes & kNotPlain) && DeleteOwnFile(path))
        return true;
    const std::size_t separator = text936::FindLastBackslash(path);
    const std::string full = FullPath(path);
    if (separator == text936::npos || full.empty())
        return false;
    // A read-only name refuses to be replaced; the bit is cleared only where it is the file's own.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetAttributes(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    const std::vector<unsigned char> rename = RenameInfoFor(full);
    if (rename.empty())
        return false;
    const auto* info = reinterpret_cast<const FILE_RENAME_INFO*>(rename.data());
    for (int n = 0; n < 100; ++n) {
        const std::string own = path.substr(0, separator) + "\\~BrelixSetup." + std::to_string(n) + ".del";
        // Deleted when its handle closes, also when this program is killed before it gets there.
        UniqueFile file(CreateFileA(own.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
                continue;
            return false;
        }
        FILE_DISPOSITION_INFO disposition{TRUE};
        const bool taken =
            SetFileInformationByHandle(file.get(), FileRenameInfo, const_cast<FILE_RENAME_INFO*>(info),
                                       static_cast<DWORD>(rename.size())) != FALSE;
        // Deleted either way: under the name it took, or under its own.
        SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition);
        file.reset();
        return taken && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
    }
    return false;
}

bool Win32FileSystem::RemoveDirectory(const std::string& path) {
    return RemoveDirectoryA(path.c_str()) != FALSE;
}

std::optional<std::uint32_t> Win32FileSystem::GetAttributes(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return attributes;
}

bool Win32FileSystem::SetAttributes(const std::string& path, std::uint32_t attributes) {
    // Held, sharing no deletion, from the check to the change: the name cannot be swapped meanwhile.
    UniqueFile held(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr));
    HandleFacts facts;
    if (!held || !FactsOf(held.get(), facts) || (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        (!(facts.attributes & FILE_ATTRIBUTE_DIRECTORY) && facts.links > 1))
        return false;
    // A name without a folder part is left unchecked, as the system resolves it from the current folder.
    const std::size_t separator = text936::FindLastBackslash(path);
    if (separator != text936::npos && separator + 1 < path.size() && !IsNamesOwnFile(held.get(), path))
        return false;
    return SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

std::optional<std::string> Win32FileSystem::ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        return std::nullopt;
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
        DWORD read = 0;
        if (!::ReadFile(file.get(), &content[done], chunk, &read, nullptr) || read == 0)
            return std::nullopt;
        done += read;
    }
    return content;
}

bool Win32FileSystem::ReadPieces(const std::string& path,
                                 std::size_t maxBytes,
                                 const std::function<void(const char* data, std::size_t size)>& consume) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file && ReadHandlePieces(file.get(), maxBytes, consume);
}

bool Win32FileSystem::WriteWholeFile(const std::string& path, const std::string& content) {
    UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    std::size_t done = 0;
    while (done < content.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file.get(), content.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

bool Win32FileSystem::DeleteAtRestart(const std::string& path) {
    return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

namespace {

std::unique_ptr<OpenedFile> OpenChecked(const std::string& path, bool mayDelete) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ | (mayDelete ? DELETE : 0), FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    HandleFacts facts;
    if (!file || !FactsOf(file.get(), facts) || (facts.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;
    return std::make_unique<Win32OpenedFile>(path, std::move(file), facts, mayDelete);
}

// The image headers as the file holds them and as they are mapped, the base address left out (a
// loader that moves the image may write it there). Under Wine the mapped file name stays the one
// the image was started from, so this is what tells another program under that name apart.
bool HeadersMatchImage(HANDLE file) {
    const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (!base || dos->e_magic != IMAGE_DOS_SIGNATURE)
        return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const DWORD headersSize = nt->OptionalHeader.SizeOfHeaders;
    if (headersSize == 0 || headersSize > (1u << 16))
        return false;
    std::vector<unsigned char> onDisk(headersSize);
    LARGE_INTEGER start{};
    DWORD read = 0;
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN) ||
        !::ReadFile(file, onDisk.data(), headersSize, &read, nullptr) || read != headersSize)
        return false;
    std::vector<unsigned char> mapped(base, base + headersSize);
    const std::size_t imageBase = static_cast<std::size_t>(
        reinterpret_cast<const unsigned char*>(&nt->OptionalHeader.ImageBase) - base);
    const std::size_t baseSize = sizeof nt->OptionalHeader.ImageBase;
    if (imageBase + baseSize > headersSize)
        return false;
    std::fill_n(onDisk.begin() + imageBase, baseSize, 0);
    std::fill_n(mapped.begin() + imageBase, baseSize, 0);
    const bool same = onDisk == mapped;
    SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
    return same;
}

// Windows names the image's file as it is called now: renamed away, it no longer has the name held.
// Before Windows 7 kernel32 has no K32GetMappedFileNameA; the headers alone tell there.
bool MappedNameMatches(HANDLE file) {
    using GetMappedFileName = DWORD(WINAPI*)(HANDLE, LPVOID, LPSTR, DWORD);
    const auto getMappedFileName = reinterpret_cast<GetMappedFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetMappedFileNameA")));
    if (!getMappedFileName)
        return true;
    char mapped[1024] = {};
    if (!getMappedFileName(GetCurrentProcess(), GetModuleHandleA(nullptr), mapped, sizeof mapped))
        return false;
    const std::string image = mapped;
    // Wine gives the name the image was started from, in its DOS form.
    if (image.compare(0, 4, "\\??\\") == 0)
        return text936::EqualsNoCase(image.substr(4), FinalPathOfHandle(file));
    char held[1024] = {};
    const DWORD length =
        GetFinalPathNameByHandleA(file, held, sizeof held, FILE_NAME_NORMALIZED | VOLUME_NAME_NT);
    return length > 0 && length < sizeof held && text936::EqualsNoCase(image, std::string(held, length));
}

}  // namespace

std::unique_ptr<OpenedFile> Win32FileSystem::OpenToDelete(const std::string& path) {
    return OpenChecked(path, true);
}

std::unique_ptr<OpenedFile> Win32FileSystem::OpenToRead(const std::string& path) {
    return OpenChecked(path, false);
}

std::unique_ptr<HeldFolder> Win32FileSystem::HoldFolderOpened(const std::string& path, bool mayRemove) {
    // Listing access takes part in sharing, so the missing FILE_SHARE_DELETE binds everyone else.
    UniqueFile folder(CreateFileA(path.c_str(), GENERIC_READ | (mayRemove ? DELETE : 0),
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    HandleFacts facts;
    if (!folder || !FactsOf(folder.get(), facts) || !(facts.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;
    return std::make_unique<Win32HeldFolder>(*this, path, std::move(folder), facts.attributes, mayRemove);
}

std::unique_ptr<HeldFolder> Win32FileSystem::HoldFolder(const std::string& path) {
    return HoldFolderOpened(path, false);
}

std::unique_ptr<HeldFolder> Win32FileSystem::HoldFolderToRemove(const std::string& path) {
    return HoldFolderOpened(path, true);
}

void Win32FileSystem::Remember(const void* holder, const std::string& path, HANDLE folder) {
    heldFinals_.push_back({holder, path, folder, std::string()});
}

void Win32FileSystem::Forget(const void* holder) {
    std::erase_if(heldFinals_, [holder](const HeldFinal& held) { return held.holder == holder; });
}

namespace {

std::unique_ptr<OpenedFile> HoldRunningImage(const std::string& program) {
    if (program.empty())
        return nullptr;
    UniqueFile file(CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    HandleFacts facts;
    if (!file || !FactsOf(file.get(), facts) || !MappedNameMatches(file.get()) ||
        !HeadersMatchImage(file.get()))
        return nullptr;
    return std::make_unique<Win32OpenedFile>(program, std::move(file), facts, false);
}

}  // namespace

OpenedFile* Win32FileSystem::ProgramFile() {
    if (!programFileTried_) {
        programFileTried_ = true;
        programFile_ = HoldRunningImage(ProgramPath());
    }
    return programFile_.get();
}

bool Win32FileSystem::Rename(const std::string& from, const std::string& to) {
    // Held, sharing no deletion, from the check to the rename: the name cannot be swapped meanwhile.
    UniqueFile file(CreateFileA(from.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file || text936::FindLastBackslash(from) == text936::npos)
        return false;  // the open's error stands: nothing else is called
    const std::string fullTo = FullPath(to);
    if (fullTo.empty())
        return false;
    // Wine would move the file a link leads to.
    if (!IsNamesOwnFile(file.get(), from)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::vector<unsigned char> rename = RenameInfoFor(fullTo);
    return !rename.empty() && SetFileInformationByHandle(file.get(), FileRenameInfo, rename.data(),
                                                         static_cast<DWORD>(rename.size())) != FALSE;
}

bool Win32FileSystem::CanRename(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return static_cast<bool>(file);
}

bool Win32FileSystem::CopyIntoNew(HANDLE source,
                                  DWORD sourceAttributes,
                                  const std::string& to,
                                  const std::function<void(const char* data, std::size_t size)>& copied) {
    constexpr DWORD kCarriedAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                         FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILETIME lastWrite{};
    LARGE_INTEGER size{};
    if (!GetFileTime(source, nullptr, nullptr, &lastWrite) || !GetFileSizeEx(source, &size))
        return false;
    const DWORD attributes = sourceAttributes & kCarriedAttributes;
    // CREATE_NEW fails on whatever is there, a link or a name of another file included.
    UniqueFile target(
        CreateFileA(to.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                    (attributes ? attributes : FILE_ATTRIBUTE_NORMAL) | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!target)
        return false;
    const bool whole =
        CopyContent(source, target.get(), static_cast<unsigned long long>(size.QuadPart), copied);
    if (whole) {
        SetFileTime(target.get(), nullptr, nullptr, &lastWrite);
        return true;
    }
    // Through the handle that made it: the name may lead elsewhere by now.
    const KeptLastError failure;
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(target.get(), FileDispositionInfo, &disposition, sizeof disposition);
    target.reset();
    return false;
}

bool Win32FileSystem::CopyToNewFile(const std::string& from,
                                    const std::string& to,
                                    const std::function<void(const char* data, std::size_t size)>& copied) {
    DWORD sourceAttributes = 0;
    UniqueFile source = OpenCopySource(from, sourceAttributes);
    return source && CopyIntoNew(source.get(), sourceAttributes, to, copied);
}

bool Win32FileSystem::CopyOpenedToNewFile(
    OpenedFile& from,
    const std::string& to,
    const std::function<void(const char* data, std::size_t size)>& copied) {
    // Every file this backend opens is one of its own.
    auto* opened = static_cast<Win32OpenedFile*>(&from);
    LARGE_INTEGER start{};
    return opened && SetFilePointerEx(opened->Handle(), start, nullptr, FILE_BEGIN) &&
           CopyIntoNew(opened->Handle(), opened->Attributes(), to, copied);
}

bool Win32FileSystem::WriteNewFile(const std::string& path, const std::string& content) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    std::size_t done = 0;
    while (done < content.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file.get(), content.data() + done, chunk, &written, nullptr) || written == 0) {
            const KeptLastError failure;
            FILE_DISPOSITION_INFO disposition{TRUE};
            SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition);
            file.reset();
            return false;
        }
        done += written;
    }
    return true;
}

std::string Win32FileSystem::FinalPath(const std::string& path) {
    for (HeldFinal& held : heldFinals_) {
        if (text936::EqualsNoCase(held.path, path)) {
            if (held.final.empty())
                held.final = FinalPathOfHandle(held.folder);
            return held.final;
        }
    }
    UniqueFile handle(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle ? FinalPathOfHandle(handle.get()) : std::string();
}

std::string Win32FileSystem::FullPath(const std::string& path) {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(buffer, length);
}

std::string Win32FileSystem::ProgramPath() {
    constexpr DWORD kCapacity = MAX_PATH;
    char buffer[kCapacity + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, kCapacity);
    // A path that fills the whole buffer was cut (older systems then leave out the zero).
    if (length == 0 || length >= kCapacity)
        return std::string();
    return std::string(buffer, length);
}

std::string Win32FileSystem::CurrentDirectory() {
    return GrowingRead([](DWORD size, char* buffer) { return GetCurrentDirectoryA(size, buffer); });
}

std::string Win32FileSystem::TempDirectory() {
    return text936::WithoutTrailingBackslash(
        GrowingRead([](DWORD size, char* buffer) { return GetTempPathA(size, buffer); }));
}

}  // namespace platform::win32
