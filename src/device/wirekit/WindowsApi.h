#pragma once
// <windows.h> for the Win32 backend files. Only .cpp files include this, never a header that
// callers see: <windows.h> defines macros over common names, and GetMessage would become
// GetMessageA in one file and stay GetMessage in the next. The names that our own headers use
// are undefined below.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef GetMessage
#undef SendMessage
