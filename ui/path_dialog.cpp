#include "ui/path_dialog.h"

#include "platform/text936.h"

namespace ui {
namespace {

constexpr std::size_t kPathBufferSize = 260;

// The framework's application name: the program's file name without its extension.
std::string ApplicationName(platform::FileSystem& files) {
    std::string name = files.ProgramPath();
    std::size_t slash = text936::FindLastBackslash(name);
    if (slash != text936::npos) {
        name.erase(0, slash + 1);
    }
    std::size_t dot = name.rfind('.');  // '.' is never the second byte of a GBK character
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name;
}

int Report(platform::FileSystem& files,
           platform::Prompts& prompts,
           platform::WindowHandle owner,
           const std::string& path,
           int result) {
    const char* tail = result == CPathDialog::kPathInvalid ? "\n\nis invalid. Please reenter."
                                                           : "\n\ncan not be created. Please double check.";
    prompts.Show(owner, "The folder:\n\n" + path + tail, ApplicationName(files),
                 platform::kMbOk | platform::kMbIconExclamation);
    return result;
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Byte position where the last character of a non-empty name starts.
std::size_t LastCharacterStart(const std::string& name) {
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < name.size()) {
        start = i;
        bool doubleByte = text936::IsLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size();
        i += doubleByte ? 2 : 1;
    }
    return start;
}

}  // namespace

CPathDialog::CPathDialog(const PickerServices& services,
                         const char* caption,
                         const char* title,
                         const char* initialFolder,
                         platform::WindowHandle parent)
    : services_(services),
      caption_(caption),
      title_(title),
      initialFolder_(initialFolder),
      owner_(parent != platform::kNoWindow ? parent : services.prompts.ActiveWindow()) {}

CPathDialog::~CPathDialog() = default;

int CPathDialog::RunModal() {
    platform::FolderBrowseRequest request;
    if (caption_ != nullptr) {
        request.caption = caption_;
    }
    request.title = title_ != nullptr ? title_ : "";
    if (initialFolder_ != nullptr) {
        request.initialFolder = initialFolder_;
    }
    request.owner = owner_;

    accepted_ = false;
    bool shown =
        services_.browser.Browse(request, [this](platform::WindowHandle browser, const std::string& typed) {
            return OnBrowseOk(browser, typed);
        });
    return shown && accepted_ ? 1 : -1;
}

bool CPathDialog::OnBrowseOk(platform::WindowHandle browser, const std::string& typed) {
    pathBuffer_ = typed;
    if (ConfirmFolder(services_.files, services_.prompts, browser, pathBuffer_) != 0) {
        return false;
    }
    accepted_ = true;
    return true;
}

std::string CPathDialog::ChosenPath() const {
    return pathBuffer_;
}

int CPathDialog::ConfirmFolder(platform::FileSystem& files,
                               platform::Prompts& prompts,
                               platform::WindowHandle owner,
                               const std::string& path) {
    int result = CheckOrCreatePath(files, path, true);
    if (result != kPathGood) {
        return Report(files, prompts, owner, path, result);
    }
    if (files.GetAttributes(path)) {
        return kPathGood;  // an existing file is taken like a folder
    }
    std::string question =
        "The folder:\n\n" + path + "\n\ndoes not exist. Do you want the folder to be created?";
    if (prompts.Show(owner, question, ApplicationName(files),
                     platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes) {
        return kCreationDeclined;
    }
    result = CheckOrCreatePath(files, path, false);
    if (result != kPathGood) {
        return Report(files, prompts, owner, path, result);
    }
    return kPathGood;
}

int CPathDialog::CheckOrCreatePath(platform::FileSystem& files, const std::string& path, bool checkOnly) {
    // The work is done in a 260-byte buffer: a longer path cannot be handled and is refused whole.
    if (path.size() < 3 || !text936::FitsBuffer(path, kPathBufferSize)) {
        return kPathInvalid;
    }
    if (!IsAsciiLetter(path[0]) || path[1] != ':' || path[2] != '\\') {
        return kPathInvalid;
    }
    if (!checkOnly) {
        // Nothing is created for a path that turns out ill-formed further down.
        int syntax = CheckOrCreatePath(files, path, true);
        if (syntax != kPathGood) {
            return syntax;
        }
    }
    if (path.size() == 3) {
        if (checkOnly) {
            return kPathGood;
        }
        return files.GetAttributes(path) ? kPathGood : kPathNotCreated;
    }

    // Level by level from the root down; a backslash inside a double-byte character is part of
    // the name, not a separator.
    std::size_t start = 3;
    while (true) {
        std::size_t length = text936::Find(path.substr(start), "\\");
        bool last = length == text936::npos;
        std::string name = last ? path.substr(start) : path.substr(start, length);
        std::string upToName = path.substr(0, start + name.size());
        if (!IsValidFolderName(name)) {
            return kPathInvalid;
        }
        if (!checkOnly) {
            files.CreateDirectory(upToName);  // an existing level is no error
            if (!files.GetAttributes(upToName)) {
                return kPathNotCreated;
            }
        }
        if (last) {
            return kPathGood;
        }
        start += name.size() + 1;
        if (start == path.size()) {
            return kPathInvalid;  // a trailing backslash
        }
    }
}

bool CPathDialog::IsValidFolderName(const std::string& name) {
    if (name.empty()) {
        return false;
    }
    auto isBlankOrDot = [](char c) { return c == '\t' || c == ' ' || c == '.'; };
    if (isBlankOrDot(name.front())) {
        return false;
    }
    std::size_t last = LastCharacterStart(name);
    if (last + 1 == name.size() && isBlankOrDot(name[last])) {
        return false;
    }
    for (const char* forbidden : {"\"", "*", "/", ":", "<", ">", "?", "\\", "|"}) {
        if (text936::Find(name, forbidden) != text936::npos) {
            return false;
        }
    }
    return true;
}

}  // namespace ui
