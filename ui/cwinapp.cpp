#include "ui/cwinapp.h"

namespace ui {

int CWinApp::Run() {
    InitInstance();
    return ExitInstance();
}

}  // namespace ui
