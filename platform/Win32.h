// The one include of the Windows headers: ANSI ("A") API, service control manager, multibyte run-time.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winsvc.h>

#include <mbctype.h>
#include <mbstring.h>
