#include "files/swap_journal.h"

#include "files/paths.h"
#include "files/staged_names.h"
#include "platform/crc32.h"
#include "platform/number_text.h"
#include "platform/text936.h"

namespace files {

namespace {

constexpr char kHead[] = "BRELIX-SWAP";
constexpr char kPrefix[] = "BrelixSwap-";
constexpr char kExtension[] = ".swp";
constexpr char kBeingWritten[] = ".new";
// A journal lists names, sizes and checksums: some 80 bytes a file, so a hundred thousand files fit.
constexpr std::size_t kLargestJournal = 8u << 20;

constexpr const char* kPhaseNames[] = {"STAGING", "SWAPPING", "SWAPPED", "RECORDED", "UNDOING"};

std::optional<SwapPhase> PhaseNamed(const std::string& name) {
    for (int phase = 0; phase < 5; ++phase) {
        if (name == kPhaseNames[phase])
            return static_cast<SwapPhase>(phase);
    }
    return std::nullopt;
}

std::optional<int> Digit(const std::string& field, int largest) {
    if (field.size() != 1 || field[0] < '0' || field[0] > '0' + largest)
        return std::nullopt;
    return field[0] - '0';
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

// Every line, each ended by "\n" (a "\r" before it dropped); nullopt when the last one is not ended.
std::optional<std::vector<std::string>> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            return std::nullopt;
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// "F <path below the product folder> <size> <checksum>": a name in the product folder or in a folder of it.
bool ParseInstalled(const std::vector<std::string>& fields, RecordedFile& file) {
    const auto levels = fields.size() == 4 ? text936::SplitLevels(fields[1]) : std::nullopt;
    const auto size = levels ? ParseSize(fields[2]) : std::nullopt;
    const auto crc = size ? ParseChecksum(fields[3]) : std::nullopt;
    if (!crc || levels->empty() || levels->size() > 2)
        return false;
    for (const std::string& level : *levels) {
        if (!IsLeafName(level))
            return false;
    }
    file = RecordedFile{fields[1], *size, *crc};
    return true;
}

// "E <folder> <old> <name> <staged> <backup>"
bool ParseEntry(const std::vector<std::string>& fields, const std::string& tag, JournalEntry& entry) {
    const auto folder = fields.size() == 6 ? Digit(fields[1], 1) : std::nullopt;
    const auto old = folder ? Digit(fields[2], 2) : std::nullopt;
    if (!old || !IsLeafName(fields[3]) || !IsTaggedName(fields[4], tag) || !IsTaggedName(fields[5], tag))
        return false;
    entry = JournalEntry{static_cast<SwapFolder>(*folder), static_cast<OldFile>(*old), fields[3], fields[4],
                         fields[5]};
    return true;
}

// "N <folder> <name> <size> [<checksum>]"
bool ParseCreated(const std::vector<std::string>& fields, NewFileEntry& file) {
    const auto folder = fields.size() == 4 || fields.size() == 5 ? Digit(fields[1], 1) : std::nullopt;
    const auto size = folder && IsLeafName(fields[2]) ? ParseSize(fields[3]) : std::nullopt;
    const auto crc = size && fields.size() == 5 ? ParseChecksum(fields[4]) : std::nullopt;
    if (!size || (fields.size() == 5 && !crc))
        return false;
    file = NewFileEntry{static_cast<SwapFolder>(*folder), fields[2], *size, crc};
    return true;
}

std::string InstalledLine(const RecordedFile& file) {
    return "F\t" + file.path + "\t" + platform::DecimalText(file.size) + "\t" + ChecksumText(file.crc) +
           "\r\n";
}

}  // namespace

std::string SwapJournalPath(const std::string& journalFolder, const std::string& productFolder) {
    const std::string name =
        kPrefix + platform::HexText(platform::Crc32(text936::ToUpper(ComparablePath(productFolder))), 8) +
        kExtension;
    const std::string path = JoinPath(journalFolder, name);
    return text936::FitsBuffer(path + kBeingWritten, kPathBufferSize) ? path : std::string();
}

std::string FormatJournal(const SwapJournal& journal) {
    std::string text = std::string(kHead) + "\r\nFOLDER\t" + ComparablePath(journal.productFolder) +
                       "\r\nTAG\t" + journal.tag + "\r\nPHASE\t" +
                       kPhaseNames[static_cast<int>(journal.phase)] + "\r\n";
    for (const JournalEntry& entry : journal.entries) {
        text += "E\t" + std::to_string(static_cast<int>(entry.folder)) + "\t" +
                std::to_string(static_cast<int>(entry.old)) + "\t" + entry.name + "\t" + entry.staged + "\t" +
                entry.backup + "\r\n";
    }
    for (const NewFileEntry& file : journal.created) {
        text += "N\t" + std::to_string(static_cast<int>(file.folder)) + "\t" + file.name + "\t" +
                platform::DecimalText(file.size) + (file.crc ? "\t" + ChecksumText(*file.crc) : "") + "\r\n";
    }
    for (const RecordedFile& file : journal.installed)
        text += InstalledLine(file);
    return text + "END\r\n";
}

std::optional<SwapJournal> ParseJournal(const std::string& text) {
    const auto lines = Lines(text);
    if (!lines || lines->size() < 5 || lines->front() != kHead || lines->back() != "END")
        return std::nullopt;
    const auto folder = SplitTabs((*lines)[1]);
    const auto tag = SplitTabs((*lines)[2]);
    const auto phase = SplitTabs((*lines)[3]);
    if (folder.size() != 2 || folder[0] != "FOLDER" || tag.size() != 2 || tag[0] != "TAG" || !IsTag(tag[1]) ||
        phase.size() != 2 || phase[0] != "PHASE" || !PhaseNamed(phase[1]))
        return std::nullopt;
    SwapJournal journal;
    journal.productFolder = folder[1];
    journal.tag = tag[1];
    journal.phase = *PhaseNamed(phase[1]);
    for (std::size_t i = 4; i + 1 < lines->size(); ++i) {
        const auto fields = SplitTabs((*lines)[i]);
        if (fields[0] == "F" && journal.phase != SwapPhase::Recorded) {
            RecordedFile file;
            if (!ParseInstalled(fields, file))
                return std::nullopt;
            journal.installed.push_back(file);
            continue;
        }
        if (fields[0] == "N" && journal.phase != SwapPhase::Swapped && journal.phase != SwapPhase::Recorded) {
            NewFileEntry file;
            if (!ParseCreated(fields, file))
                return std::nullopt;
            journal.created.push_back(file);
            continue;
        }
        JournalEntry entry;
        if (fields[0] != "E" || !ParseEntry(fields, journal.tag, entry))
            return std::nullopt;
        journal.entries.push_back(entry);
    }
    return journal;
}

FileResult WriteJournal(platform::FileSystem& files,
                        platform::Environment& environment,
                        const std::string& path,
                        const SwapJournal& journal) {
    if (path.empty())
        return FileResult::Failed(path, "路径太长");
    const std::string being = path + kBeingWritten;
    files.DeleteName(being);  // left by a run cut off while writing it
    if (files.WriteNewFile(being, FormatJournal(journal)) && files.Rename(being, path))
        return FileResult::Done();
    const FileResult failed =
        FileResult::Failed(path, "无法写入 " + path, platform::DescribeSystemError(environment.LastError()));
    files.DeleteName(being);
    return failed;
}

std::optional<std::string> ReadJournalText(platform::FileSystem& files,
                                           platform::Environment& environment,
                                           const std::string& path,
                                           state::InstallJournal& log,
                                           std::string& unread) {
    if (path.empty())
        return std::nullopt;
    files.DeleteName(path + kBeingWritten);  // cut off while written: nothing was done after it
    // Read first, and looked for only when that fails: one failed call never passes for no journal.
    auto text = files.ReadWholeFile(path, kLargestJournal);
    const platform::SystemError error = text ? platform::SystemError{} : environment.LastError();
    if (!text && files.GetAttributes(path)) {
        unread = path;
        log.Problem("无法读取上次中断的安装的记录 " + path + platform::DescribeSystemError(error));
    }
    return text;
}

bool DeleteJournal(platform::FileSystem& files, const std::string& path) {
    if (path.empty())
        return true;
    files.DeleteName(path + kBeingWritten);
    return files.DeleteName(path);
}

}  // namespace files
