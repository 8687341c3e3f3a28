#pragma once
// What the page loop needs of a wizard page: a modal run, then the number of the page to show next
// (1, 2 or 3; 0 ends the wizard).

namespace app {

class WizardPage {
  public:
    virtual ~WizardPage() = default;
    // The modal run's own result; the loop does not look at it.
    virtual int RunModal() = 0;
    virtual int NextPage() const = 0;
};

}  // namespace app
