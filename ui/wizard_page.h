#pragma once
// What the page loop needs of a wizard page: a modal run, then the number of the page to show next
// (1, 2 or 3; 0 ends the wizard).

#include <functional>
#include <memory>

namespace ui {

class WizardPage {
  public:
    virtual ~WizardPage() = default;
    // The modal run's own result; the loop does not look at it.
    virtual int RunModal() = 0;
    virtual int NextPage() const = 0;
};

// Makes page `pageNumber` (1, 2 or 3); nullptr when it cannot be made.
using PageFactory = std::function<std::unique_ptr<WizardPage>(int pageNumber)>;

}  // namespace ui
