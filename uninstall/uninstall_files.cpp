#include "uninstall/uninstall_files.h"

#include "install/locations.h"
#include "install/product_layout.h"
#include "platform/crc32.h"
#include "platform/read_only.h"
#include "platform/text936.h"

namespace uninstall {

namespace {

// Deeper than anything the product or a user makes below it; a guard against endless descent.
constexpr int kDeepestFolder = 32;

bool IsDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

bool SweepFolder(platform::FileSystem& files,
                 const std::string& folder,
                 int depth,
                 std::vector<std::string>& remaining) {
    std::vector<platform::DirEntry> entries;
    const std::string pattern = install::JoinPath(folder, "*.*");
    if (text936::FitsBuffer(pattern, install::kPathBufferSize)) {
        platform::DirEntry entry;
        if (auto search = files.FindFirst(pattern, entry)) {
            do {
                if (!IsDotEntry(entry.name))
                    entries.push_back(entry);
            } while (search->Next(entry));
        }
    }
    bool empty = true;
    for (const platform::DirEntry& entry : entries) {
        const std::string path = install::JoinPath(folder, entry.name);
        const bool isFolder = (entry.attributes & platform::kAttrDirectory) != 0;
        if (isFolder && depth < kDeepestFolder && text936::FitsBuffer(path, install::kPathBufferSize) &&
            SweepFolder(files, path, depth + 1, remaining))
            continue;
        if (!isFolder)
            remaining.push_back(path);
        empty = false;
    }
    return empty && text936::FitsBuffer(folder, install::kPathBufferSize) && files.RemoveDirectory(folder);
}

}  // namespace

void RemoveShippedFiles(platform::FileSystem& files,
                        const std::string& productFolder,
                        const install::InstallRecord& record,
                        state::InstallJournal& journal) {
    for (const install::RecordedFile& shipped : record.files) {
        const std::string path = install::JoinPath(productFolder, shipped.path);
        if (!text936::FitsBuffer(path, install::kPathBufferSize) || !files.GetAttributes(path))
            continue;
        // In pieces: a shipped file can be hundreds of megabytes.
        platform::ContentCheck check;
        const bool read =
            files.ReadPieces(path, install::kLargestCheckedFile,
                             [&check](const char* data, std::size_t piece) { check.Add(data, piece); });
        if (!read) {
            // Too large to be the shipped file, or held open: either way not ours to delete now.
            journal.Problem("无法读取，未删除：" + path);
            continue;
        }
        if (check.size != shipped.size || check.crc != shipped.crc) {
            journal.Note("已被修改，保留：" + path);
            continue;
        }
        RemoveOwnFile(files, path, journal);
    }
}

bool RemoveOwnFile(platform::FileSystem& files, const std::string& path, state::InstallJournal& journal) {
    if (!files.GetAttributes(path))
        return true;
    platform::ClearReadOnly(files, path);
    if (files.DeleteFile(path)) {
        journal.Note("已删除 " + path);
        return true;
    }
    journal.Problem("未能删除 " + path);
    return false;
}

std::vector<std::string> RemoveEmptyFolders(platform::FileSystem& files, const std::string& folder) {
    std::vector<std::string> remaining;
    SweepFolder(files, folder, 0, remaining);
    return remaining;
}

}  // namespace uninstall
