#pragma once
// Copies the product from the installation source into the product folder under the root.

#include <cstdint>
#include <string>

#include "platform/progress_bar.h"
#include "platform/services.h"
#include "state/install_journal.h"

namespace install {

class ProductDeployer {
  public:
    // `progress` is not owned; the page that holds it outlives the deployer.
    // Without a journal the deployer reports into one of its own.
    ProductDeployer(platform::Services& services,
                    const std::string& installRoot,
                    platform::ProgressBar& progress);
    // `journal` is not owned either; it outlives the deployer.
    ProductDeployer(platform::Services& services,
                    const std::string& installRoot,
                    platform::ProgressBar& progress,
                    state::InstallJournal& journal);

    ProductDeployer(const ProductDeployer&) = delete;
    ProductDeployer& operator=(const ProductDeployer&) = delete;

    // Creates the product folder and its "temp", then copies every file at the top level of the
    // source except the setup program, the two fonts and Brelix.prt (one progress step per pass).
    // A failed copy asks abort / retry / ignore; an ignored file is reported as a problem. False
    // when the source is missing (its message has been shown) or the user aborted; true otherwise.
    bool DeployProductFiles();

    // Creates "<product folder>\Brelix扩展绘图库" and copies the files of the source's folder of
    // that name into it (one progress step per pass). A file that does not copy is a problem.
    void DeployDrawingLibrary();

    // The installation root without one trailing "\".
    std::string rootFolder;
    // The installation source, when the caller has located it; empty: each deployment locates it.
    std::string sourceFolder;
    // Learns each file copied, when set (not owned).
    state::InstallJournal* journal = nullptr;

  private:
    // Copies one product file, asking until it is copied or the user gives up on it.
    // False when the user chose abort.
    bool CopyProductFile(const std::string& from, std::uint32_t fromAttributes, const std::string& to);
    bool LocateSource(std::string& source);

    platform::Services& services_;
    platform::ProgressBar& progress_;
    state::InstallJournal ownJournal_;
    state::InstallJournal& journal_;
};

}  // namespace install
