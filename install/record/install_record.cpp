#include "install/record/install_record.h"

#include <cstdlib>
#include <utility>

#include "install/record/product_layout.h"
#include "platform/name_index.h"
#include "platform/number_text.h"
#include "platform/path_names.h"
#include "platform/text936.h"

namespace install {

namespace {

constexpr char kFirstLine[] = "Brelix结构工具箱 安装记录 1";
constexpr char kVersionTag[] = "VERSION";
constexpr char kFolderTag[] = "FOLDER";
constexpr char kFileTag[] = "FILE";
constexpr char kEarlierFolderTag[] = "EARLIERFOLDER";
constexpr char kEarlierFileTag[] = "EARLIERFILE";
constexpr char kDemandLoadTag[] = "DEMANDLOAD";
constexpr char kTrustedPathsTag[] = "TRUSTEDPATHS";
constexpr char kFontTag[] = "FONT";
// Neither byte occurs inside a double-byte character (trail bytes are 0x40 and above).
constexpr char kSeparator = '\t';
constexpr char kLineEnd[] = "\r\n";

// Splits off the first `count` tab-separated fields; the rest of the line is the last field.
std::optional<std::vector<std::string>> SplitFields(const std::string& line, int count) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t tab = line.find(kSeparator, start);
        if (tab == std::string::npos)
            return std::nullopt;
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    if (fields.back().empty())
        return std::nullopt;
    return fields;
}

// A path below the product folder that names what it spells and stays inside it: relative, "\\"
// between levels only ("/" is one too for Windows), no drive or stream (":"), no "." or "..", no
// level that Windows would shorten ("A." is "A") or take for a device. Neither "/" nor ":" is
// ever the second byte of a double-byte character.
bool IsContainedPath(const std::string& path) {
    if (path.find_first_of("/:") != std::string::npos)
        return false;
    const auto levels = text936::SplitLevels(path);
    if (!levels || levels->empty() || path.back() == '\\')
        return false;
    for (const std::string& level : *levels) {
        if (level == "." || level == ".." || platform::EndsInDotOrSpace(level) ||
            platform::IsDeviceName(level))
            return false;
    }
    return true;
}

// A list that takes each entry once, letter case ignored, at the cost of one lookup.
class ListOnce {
  public:
    explicit ListOnce(std::vector<std::string>& list) : list_(list) {
        for (const std::string& entry : list)
            seen_.FindOrAdd(entry, 0);
    }
    void Add(const std::string& entry) {
        if (seen_.FindOrAdd(entry, 0).second)
            list_.push_back(entry);
    }

  private:
    std::vector<std::string>& list_;
    platform::NameIndex seen_;
};

std::optional<RecordedFile> ParseFileLine(const std::string& rest) {
    const auto fields = SplitFields(rest, 2);
    if (!fields)
        return std::nullopt;
    const auto size = files::ParseSize((*fields)[0]);
    const auto crc = files::ParseChecksum((*fields)[1]);
    if (!size || !crc || !IsContainedPath((*fields)[2]))
        return std::nullopt;
    return RecordedFile{(*fields)[2], *size, *crc};
}

// Adds each of `newer` to `files`, a file listed in both taking the newer size and checksum.
void MergeFiles(std::vector<RecordedFile>& files, const std::vector<RecordedFile>& newer) {
    // Both lists can hold thousands of paths: each is looked up, never compared with the others.
    platform::NameIndex fileIndex;
    for (std::size_t i = 0; i < files.size(); ++i)
        fileIndex.FindOrAdd(files[i].path, i);
    for (const RecordedFile& file : newer) {
        const auto [at, added] = fileIndex.FindOrAdd(file.path, files.size());
        if (added)
            files.push_back(file);
        else
            files[at] = file;
    }
}

bool SameFolder(const std::string& one, const std::string& other) {
    return text936::EqualsNoCase(text936::WithoutTrailingBackslash(one),
                                 text936::WithoutTrailingBackslash(other));
}

// Adds `folder` with `files` to the earlier folders, merged into an entry for the same folder.
void AddEarlier(InstallRecord& record, const std::string& folder, const std::vector<RecordedFile>& files) {
    if (folder.empty() || SameFolder(folder, record.productFolder))
        return;
    for (EarlierFolder& earlier : record.earlierFolders) {
        if (SameFolder(earlier.folder, folder)) {
            MergeFiles(earlier.files, files);
            return;
        }
    }
    record.earlierFolders.push_back(EarlierFolder{folder, files});
}

}  // namespace

std::vector<std::string> InstallRecord::AllFolders() const {
    std::vector<std::string> folders;
    if (!productFolder.empty())
        folders.push_back(productFolder);
    for (const EarlierFolder& earlier : earlierFolders)
        folders.push_back(earlier.folder);
    return folders;
}

std::string FormatRecord(const InstallRecord& record) {
    std::string text = std::string(kFirstLine) + kLineEnd;
    if (record.version)
        text += std::string(kVersionTag) + kSeparator + state::VersionText(*record.version) + kLineEnd;
    if (!record.productFolder.empty())
        text += std::string(kFolderTag) + kSeparator + record.productFolder + kLineEnd;
    for (const RecordedFile& file : record.files) {
        const std::string numbers =
            platform::DecimalText(file.size) + kSeparator + files::ChecksumText(file.crc);
        text += std::string(kFileTag) + kSeparator + numbers + kSeparator + file.path + kLineEnd;
    }
    for (const EarlierFolder& earlier : record.earlierFolders) {
        text += std::string(kEarlierFolderTag) + kSeparator + earlier.folder + kLineEnd;
        for (const RecordedFile& file : earlier.files) {
            const std::string numbers =
                platform::DecimalText(file.size) + kSeparator + files::ChecksumText(file.crc);
            text += std::string(kEarlierFileTag) + kSeparator + numbers + kSeparator + file.path + kLineEnd;
        }
    }
    const auto addAll = [&text](const char* tag, const std::vector<std::string>& entries) {
        for (const std::string& entry : entries)
            text += std::string(tag) + kSeparator + entry + kLineEnd;
    };
    addAll(kDemandLoadTag, record.demandLoadKeys);
    addAll(kTrustedPathsTag, record.trustedPathKeys);
    addAll(kFontTag, record.fonts);
    return text;
}

std::optional<InstallRecord> ParseRecord(const std::string& text) {
    InstallRecord record;
    // A record can list thousands of files: each line is looked up, never compared with the others.
    platform::NameIndex fileIndex;
    ListOnce demandLoadKeys(record.demandLoadKeys);
    ListOnce trustedPathKeys(record.trustedPathKeys);
    ListOnce fonts(record.fonts);
    std::vector<EarlierFolder> earlier;
    bool first = true;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (first) {
            if (line != kFirstLine)
                return std::nullopt;
            first = false;
            continue;
        }
        const std::size_t tab = line.find(kSeparator);
        if (tab == std::string::npos || tab + 1 >= line.size())
            continue;
        const std::string tag = line.substr(0, tab);
        const std::string rest = line.substr(tab + 1);
        if (tag == kVersionTag) {
            record.version = state::ParseVersion(rest);
        } else if (tag == kFolderTag) {
            record.productFolder = rest;
        } else if (tag == kFileTag) {
            // A file listed again takes the later line, as a merge does.
            if (auto file = ParseFileLine(rest)) {
                const auto [at, added] = fileIndex.FindOrAdd(file->path, record.files.size());
                if (added)
                    record.files.push_back(*file);
                else
                    record.files[at] = *file;
            }
        } else if (tag == kEarlierFolderTag) {
            earlier.push_back(EarlierFolder{rest, {}});
        } else if (tag == kEarlierFileTag) {
            // Merged below, so that a file listed again takes the later line there too.
            if (auto file = ParseFileLine(rest); file && !earlier.empty())
                earlier.back().files.push_back(*file);
        } else if (tag == kDemandLoadTag) {
            demandLoadKeys.Add(rest);
        } else if (tag == kTrustedPathsTag) {
            trustedPathKeys.Add(rest);
        } else if (tag == kFontTag) {
            fonts.Add(rest);
        }
    }
    if (first)
        return std::nullopt;
    for (const EarlierFolder& folder : earlier) {
        std::vector<RecordedFile> files;
        MergeFiles(files, folder.files);
        AddEarlier(record, folder.folder, files);
    }
    return record;
}

void MergeRecord(InstallRecord& record, const InstallRecord& newer) {
    if (newer.version)
        record.version = newer.version;
    if (!newer.productFolder.empty() && !SameFolder(newer.productFolder, record.productFolder)) {
        const std::string replaced = record.productFolder;
        std::vector<RecordedFile> replacedFiles = std::move(record.files);
        record.files.clear();
        record.productFolder = newer.productFolder;
        // A folder installed into again takes back what was recorded for it.
        for (auto earlier = record.earlierFolders.begin(); earlier != record.earlierFolders.end();
             ++earlier) {
            if (SameFolder(earlier->folder, record.productFolder)) {
                record.files = std::move(earlier->files);
                record.earlierFolders.erase(earlier);
                break;
            }
        }
        // A record of an earlier build names no folder: its files stay with the new one.
        if (replaced.empty())
            MergeFiles(record.files, replacedFiles);
        else
            AddEarlier(record, replaced, replacedFiles);
    }
    MergeFiles(record.files, newer.files);
    for (const EarlierFolder& earlier : newer.earlierFolders)
        AddEarlier(record, earlier.folder, earlier.files);
    ListOnce demandLoadKeys(record.demandLoadKeys);
    for (const std::string& key : newer.demandLoadKeys)
        demandLoadKeys.Add(key);
    ListOnce trustedPathKeys(record.trustedPathKeys);
    for (const std::string& key : newer.trustedPathKeys)
        trustedPathKeys.Add(key);
    ListOnce fonts(record.fonts);
    for (const std::string& font : newer.fonts)
        fonts.Add(font);
}

InstallRecord RecordFromJournal(const state::InstallJournal& log, const std::string& productFolder) {
    InstallRecord record;
    record.productFolder = productFolder;
    for (const state::InstalledFile& installed : log.InstalledFiles()) {
        const auto below = PathBelow(installed.path, productFolder);
        if (below && IsContainedPath(*below))
            record.files.push_back(RecordedFile{*below, installed.size, installed.crc});
    }
    record.demandLoadKeys = log.DemandLoadKeys();
    record.trustedPathKeys = log.TrustedPathKeys();
    record.fonts = log.Fonts();
    return record;
}

std::optional<InstallRecord> ReadInstallRecord(platform::FileSystem& files, const std::string& folder) {
    // Even a record listing thousands of files stays far below this.
    constexpr std::size_t kLargestRecord = 4u * 1024u * 1024u;
    const auto text = files.ReadWholeFile(JoinPath(folder, kInstallRecordName), kLargestRecord);
    if (!text)
        return std::nullopt;
    return ParseRecord(*text);
}

bool WriteInstallRecord(platform::FileSystem& files, const std::string& folder, const InstallRecord& record) {
    // Written whole under another name and then renamed over the record: a run cut off part way
    // leaves the earlier record as it was, never half of either.
    const std::string path = JoinPath(folder, kInstallRecordName);
    const std::string written = JoinPath(folder, kInstallRecordBeingWritten);
    if (files.WriteWholeFile(written, FormatRecord(record)) && files.MoveFile(written, path))
        return true;
    files.DeleteFile(written);
    return false;
}

bool WriteRecordBeingWritten(platform::FileSystem& files,
                             const std::string& folder,
                             const InstallRecord& record) {
    return files.WriteWholeFile(JoinPath(folder, kInstallRecordBeingWritten), FormatRecord(record));
}

std::optional<InstallRecord> ReadMergedRecord(platform::FileSystem& files,
                                              const std::vector<std::string>& setupFolders,
                                              std::vector<std::string>* withRecord) {
    std::optional<InstallRecord> merged;
    for (auto folder = setupFolders.rbegin(); folder != setupFolders.rend(); ++folder) {
        if (auto found = ReadInstallRecord(files, *folder)) {
            if (!merged)
                merged.emplace();
            MergeRecord(*merged, *found);
            if (withRecord)
                withRecord->push_back(*folder);
        }
    }
    return merged;
}

std::optional<std::vector<RecordedFile>> RecordedFilesIn(const InstallRecord& record,
                                                         const std::string& folder) {
    if (!record.productFolder.empty() && SameFolder(record.productFolder, folder))
        return record.files;
    for (const EarlierFolder& earlier : record.earlierFolders) {
        if (SameFolder(earlier.folder, folder))
            return earlier.files;
    }
    return std::nullopt;
}

}  // namespace install
