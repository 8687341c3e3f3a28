#pragma once
// Stages the product from the installation source into the product folder under the root: every
// file is written whole under a staged name beside the one it replaces, and takes its name only at
// the commit, when every file is there; a file the folder lacks is written under its own name at
// once (files/file_transaction.h).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/file_transaction.h"
#include "install/deploy/config_keeper.h"
#include "install/deploy/held_source.h"
#include "platform/name_index.h"
#include "platform/progress_bar.h"
#include "platform/services.h"
#include "state/install_journal.h"

namespace install {

// What a deployment works with; nothing of it is owned, and all of it outlives the deployer.
struct DeployInputs {
    files::FileTransaction* transaction = nullptr;  // where the files are staged
    HeldSource* source = nullptr;          // held by the caller; without one the deployer holds it once
    std::string sourceFolder;              // located by the caller, without a hold; empty: located here
    const ConfigKeeper* keeper = nullptr;  // the user's files to leave alone
};

class ProductDeployer {
  public:
    // `progress` is not owned; the page that holds it outlives the deployer. Without a log the
    // deployer reports into one of its own.
    ProductDeployer(platform::Services& services,
                    const std::string& installRoot,
                    platform::ProgressBar& progress,
                    DeployInputs inputs = DeployInputs());
    // `log` is not owned either; it outlives the deployer.
    ProductDeployer(platform::Services& services,
                    const std::string& installRoot,
                    platform::ProgressBar& progress,
                    state::InstallJournal& log,
                    DeployInputs inputs = DeployInputs());

    ProductDeployer(const ProductDeployer&) = delete;
    ProductDeployer& operator=(const ProductDeployer&) = delete;

    // Stages every file at the top level of the source except the setup program, the two fonts and
    // Brelix.prt, and those the keeper keeps (one progress step per pass). A failed copy asks abort /
    // retry / ignore; an ignored file keeps its previous version (or stays missing) and is reported
    // as a problem. False when the source is missing (its message has been shown) or the user
    // aborted, or the source could not be held or listed (`Failure()` names it); true otherwise. Every
    // file is read through a handle checked to be its name's own plain file in the held source; one
    // that is not is asked about as a copy that fails. The product folder and its "temp" must exist.
    bool DeployProductFiles();

    // Stages the files of the source's "Brelix扩展绘图库" for "<product folder>\Brelix扩展绘图库",
    // which must exist, asking as DeployProductFiles does (one progress step per pass). False when
    // the user aborted. A library that is a link or cannot be held installs nothing, as a problem.
    bool DeployDrawingLibrary();

    // Puts every staged file in place (FileTransaction::Commit); on failure everything was put back.
    files::FileResult PutInPlace();

    // The installation root without one trailing "\".
    const std::string& RootFolder() const { return rootFolder_; }
    // After a deployment that failed: the file, and why (nothing after an abort).
    const files::FileResult& Failure() const { return failure_; }

  private:
    // A target folder's entries as listed before the staging, found by name.
    struct Listing {
        platform::NameIndex names;  // name -> index in `entries`
        std::vector<platform::DirEntry> entries;
        const platform::DirEntry* Lookup(const std::string& name) const;
    };
    Listing ListingOf(const std::string& folder);
    // Stages one file of the source, listed as `entry`, asking until it is staged or the user gives
    // up on it; one the folder holds already as it would be copied stays. False when the user chose
    // abort.
    bool StageFile(HeldSource& held,
                   const std::string& source,
                   const platform::DirEntry& entry,
                   const std::string& folder,
                   const Listing& existing);
    // One try at staging `opened` (nullptr: the source file failed its check) as `name` of `folder`.
    files::FileResult TryStage(platform::OpenedFile* opened,
                               const std::string& folder,
                               const std::string& name,
                               files::OldFile old,
                               platform::ContentCheck& copied);
    // Stages the files of `source` for `target` (see DeployProductFiles).
    bool StageFolder(HeldSource& held,
                     const std::string& source,
                     const std::string& target,
                     bool productFiles);
    // The held source; nullptr when there is none (its message has been shown). It may have failed
    // to be held: HeldSource::Held() tells.
    HeldSource* Source();

    const std::string rootFolder_;  // without one trailing "\"
    DeployInputs inputs_;
    files::FileResult failure_ = files::FileResult::Done();
    platform::Services& services_;
    platform::ProgressBar& progress_;
    state::InstallJournal ownJournal_;
    state::InstallJournal& log_;
    std::unique_ptr<HeldSource> ownSource_;
};

}  // namespace install
