#include "install/deploy/held_source.h"

#include <vector>

#include "files/own_file.h"
#include "install/record/locations.h"
#include "install/record/product_layout.h"
#include "platform/text936.h"

namespace install {

using files::HeldPath;
using files::IsOwnPlainFile;

namespace {

// "C:\A\B.exe" gives "C:\A"; empty without a folder.
std::string FolderOf(const std::string& path) {
    const std::size_t separator = text936::FindLastBackslash(path);
    return separator == text936::npos ? std::string() : path.substr(0, separator);
}

}  // namespace

HeldSource::Result HeldSource::Hold(const std::string& source) {
    failedLevel_ = source;
    platform::OpenedFile* image = files_.ProgramFile();
    const std::string imageFolder = image ? FolderOf(image->FinalPath()) : std::string();
    const std::string programFolder = FolderOf(files_.ProgramPath());
    if (imageFolder.empty() || programFolder.empty())
        return Result::NotHeld;
    std::vector<std::string> levels{programFolder};
    if (!text936::EqualsNoCase(source, programFolder)) {
        if (!text936::EqualsNoCase(source, JoinPath(programFolder, kDataFolderName)))
            return Result::NotHeld;
        levels.push_back(source);
    }
    const HeldPath::Result result = held_.Hold(levels, false);
    if (result != HeldPath::Result::Held) {
        failedLevel_ = held_.FailedLevel();
        held_.RemoveWhatWasMade();  // made nothing: lets go of what it held
        return result == HeldPath::Result::Link ? Result::Link : Result::NotHeld;
    }
    // The levels below the program's folder are checked against it; it is checked against the image.
    if (!text936::EqualsNoCase(text936::WithoutTrailingBackslash(held_.FinalOf(programFolder)),
                               text936::WithoutTrailingBackslash(imageFolder))) {
        failedLevel_ = programFolder;
        held_.RemoveWhatWasMade();
        return Result::Link;
    }
    folder_ = source;
    failedLevel_.clear();
    library_ = held_.Hold({LibraryFolder()}, false);
    if (library_ != HeldPath::Result::Held)
        failedLevel_ = held_.FailedLevel();
    return Result::Held;
}

std::string HeldSource::LibraryFolder() const {
    return folder_.empty() ? std::string() : JoinPath(folder_, kDrawingLibraryName);
}

std::unique_ptr<platform::OpenedFile> HeldSource::Open(const std::string& folder, const std::string& name) {
    const bool ours =
        Held() && (text936::EqualsNoCase(folder, folder_) ||
                   (library_ == HeldPath::Result::Held && text936::EqualsNoCase(folder, LibraryFolder())));
    const std::string final = ours ? held_.FinalOf(folder) : std::string();
    if (final.empty())
        return nullptr;
    auto file = files_.OpenToRead(JoinPath(folder, name));
    if (!file || !IsOwnPlainFile(*file, final, name))
        return nullptr;
    return file;
}

}  // namespace install
