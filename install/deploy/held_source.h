#pragma once
// The installation source as the elevated run reads it. Whoever runs the download can change anything
// in its folder between any two calls, so nothing there is read by path: "Data" (or the program's
// folder, when that is the source) and its drawing library are held from before they are listed to
// the end of the run, each checked to be where the running program really is and no link; each file
// is opened, checked to be its name's own plain file in the held folder, and read through that handle.

#include <memory>
#include <string>

#include "files/held_path.h"
#include "platform/files.h"

namespace install {

class HeldSource {
  public:
    enum class Result {
        Held,
        Link,     // a level is a link, or does not resolve to where the running program is
        NotHeld,  // a level could not be opened, the running program's file is not known, or the source
                  // is not the program's folder or its "Data"
    };

    explicit HeldSource(platform::FileSystem& files) : files_(files), held_(files) {}
    HeldSource(const HeldSource&) = delete;
    HeldSource& operator=(const HeldSource&) = delete;

    // Holds `source` as LocateSourceFolder found it, and its drawing library when there, anchored on
    // the running program's own file: the program's folder must resolve to that file's folder, "Data"
    // to "<that>\Data", the library to "<Data>\Brelix扩展绘图库". A failure holds nothing of the source;
    // `FailedLevel` names the folder.
    Result Hold(const std::string& source);
    bool Held() const { return !folder_.empty(); }
    // The source as held; empty until it is.
    const std::string& Folder() const { return folder_; }
    std::string LibraryFolder() const;
    // How holding the library went: Held, Missing (the source ships none), Link or NotHeld.
    files::HeldPath::Result Library() const { return library_; }
    const std::string& FailedLevel() const { return failedLevel_; }

    // The file `name` of `folder` (the held source or its held library), opened to be read and checked
    // to be that name's own plain file there; nullptr when the folder is not held or the file cannot
    // be opened or is not its name's own.
    std::unique_ptr<platform::OpenedFile> Open(const std::string& folder, const std::string& name);

  private:
    platform::FileSystem& files_;
    files::HeldPath held_;
    std::string folder_;
    std::string failedLevel_;
    files::HeldPath::Result library_ = files::HeldPath::Result::NotHeld;
};

}  // namespace install
