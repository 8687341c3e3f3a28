#pragma once
// The application object of our framework. The program's entry point builds one, calls Run, and
// ends when it returns.

#include "ui/cwnd.h"

namespace ui {

class CWinApp : public CCmdTarget {
  public:
    // Returns the process's exit code. An application whose InitInstance returns false has done
    // all its work there (a dialog-based program); there is no message loop of our own.
    int Run();

    virtual bool InitInstance() { return true; }
    virtual int ExitInstance() { return 0; }
};

}  // namespace ui
