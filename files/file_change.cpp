#include "files/file_change.h"

#include "files/own_file.h"
#include "files/paths.h"
#include "platform/crc32.h"
#include "platform/text936.h"

namespace files {

FileChange::FileChange(platform::FileSystem& files,
                       platform::Environment& environment,
                       const std::string& folder,
                       const std::string& folderFinal,
                       JournalEntry& entry)
    : files_(files), environment_(environment), folder_(folder), folderFinal_(folderFinal), entry_(entry) {}

std::string FileChange::PathOf(const std::string& name) const {
    return JoinPath(folder_, name);
}

bool FileChange::Exists(const std::string& name) {
    return files_.GetAttributes(PathOf(name)).has_value();
}

bool FileChange::IsLinkName() {
    const std::string path = PathOf(entry_.name);
    const auto attributes = files_.GetAttributes(path);
    return (attributes && IsLink(*attributes)) || folderFinal_.empty() ||
           !text936::EqualsNoCase(files_.FinalPath(path), JoinPath(folderFinal_, entry_.name));
}

FileResult FileChange::Failed(const std::string& words) {
    // Taken before anything else is called.
    const std::string error = platform::DescribeSystemError(environment_.LastError());
    return FileResult::Failed(PathOf(entry_.name), words, error);
}

FileResult FileChange::Commit() {
    // Each step is tried and its failure looked into, never the other way round: one query that
    // fails must not pass for an answer.
    if (const auto staged = files_.OpenToDelete(PathOf(entry_.staged)); !staged) {
        const FileResult unopened = Failed("无法打开暂存的新文件 " + PathOf(entry_.staged));
        if (Committed())
            return FileResult::Done();  // a run cut off got this far
        return unopened;
    } else if (!IsOwnPlainFile(*staged, folderFinal_, entry_.staged)) {
        return FileResult::Failed(PathOf(entry_.name), "暂存的新文件 " + PathOf(entry_.staged) + " 已被改动");
    }
    if (entry_.old != OldFile::None && !files_.Rename(PathOf(entry_.name), PathOf(entry_.backup))) {
        const FileResult refused = Failed("无法替换（文件正在使用或没有权限）");
        if (!Exists(entry_.name)) {
            // Gone since the listing: nothing to keep.
        } else if (!IsLinkName()) {
            return refused;
        } else {
            // A rename would move what the link leads to, under Wine: the name alone goes.
            entry_.old = OldFile::Link;
            if (!files_.DeleteName(PathOf(entry_.name)))
                return Failed("无法删除链接");
        }
    }
    if (!files_.Rename(PathOf(entry_.staged), PathOf(entry_.name)))
        return Failed("无法替换（文件正在使用或没有权限）");
    return FileResult::Done();
}

void FileChange::Rollback() {
    // The old file back over the new one, when it went to its backup; a link is not brought back.
    const bool restored =
        entry_.old != OldFile::None && files_.Rename(PathOf(entry_.backup), PathOf(entry_.name));
    // The new file goes where no file of ours was before.
    if (!restored && entry_.old != OldFile::File && !Exists(entry_.staged))
        files_.DeleteName(PathOf(entry_.name));
    files_.DeleteName(PathOf(entry_.staged));
}

bool FileChange::Committed() {
    if (Exists(entry_.staged))
        return false;
    if (entry_.old == OldFile::File)
        return Exists(entry_.backup);
    // Where a link stood, the name holds the new file only once it is no link any more.
    return Exists(entry_.name) && (entry_.old == OldFile::None || !IsLinkName());
}

bool FileChange::Committable() {
    return Exists(entry_.staged) ? IsOwnName(files_, folder_, folderFinal_, entry_.staged) : Committed();
}

bool FileChange::RolledBack() {
    return !Exists(entry_.staged) && !Exists(entry_.backup);
}

namespace {

// Whether `opened` holds what the run wrote (or, before the checksum is known, could have begun to
// write) as `file`.
bool CanBeTheRunsOwn(platform::OpenedFile& opened, const std::string& folderFinal, const NewFileEntry& file) {
    if (!IsOwnPlainFile(opened, folderFinal, file.name))
        return false;
    if (!file.crc)
        return opened.Size() <= file.size;
    if (opened.Size() != file.size)
        return false;
    platform::ContentCheck read;
    return opened.ReadPieces(file.size,
                             [&read](const char* data, std::size_t size) { read.Add(data, size); }) &&
           read.size == file.size && read.crc == *file.crc;
}

}  // namespace

bool HoldsNewFile(platform::FileSystem& files,
                  const std::string& folder,
                  const std::string& folderFinal,
                  const NewFileEntry& file) {
    const auto opened = files.OpenToDelete(JoinPath(folder, file.name));
    return opened && file.crc && CanBeTheRunsOwn(*opened, folderFinal, file);
}

bool DeleteNewFile(platform::FileSystem& files,
                   const std::string& folder,
                   const std::string& folderFinal,
                   const NewFileEntry& file) {
    const std::string path = JoinPath(folder, file.name);
    const auto opened = files.OpenToDelete(path);
    if (!opened)
        return !files.GetAttributes(path);
    if (!CanBeTheRunsOwn(*opened, folderFinal, file))
        return true;  // not ours: the user's, to keep
    return opened->Delete();
}

}  // namespace files
