// benchbare: a Windows program that ends at once, without a window, a resource or a DLL of its own
// beyond what every program loads: the floor of BrelixUser.exe's run at a logon.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 0;
}
