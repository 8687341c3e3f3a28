#pragma once
// windows.h for the Win32 backend, without the A/W name macros that collide with the method names of
// the platform interfaces (FileSystem::CopyFile would otherwise become CopyFileA in this translation
// unit only). Code in this folder calls the ANSI functions by their full names.

#include <windows.h>

#undef CopyFile
#undef MoveFile
#undef CreateDirectory
#undef DeleteFile
#undef RemoveDirectory
#undef GetCurrentDirectory
#undef SetCurrentDirectory
#undef MessageBox
