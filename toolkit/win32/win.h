#pragma once
// The Windows headers, always after the toolkit's own: their macros
// (SRCCOPY, SND_ASYNC, ...) would otherwise rewrite the toolkit's constants.

#include "toolkit/controls.h"
#include "toolkit/error.h"
#include "toolkit/form.h"
#include "toolkit/form_design.h"
#include "toolkit/picture.h"
#include "toolkit/platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef STRICT
#define STRICT
#endif
#include <windows.h>

#include <mmsystem.h>
