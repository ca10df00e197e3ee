#pragma once
// The Windows headers, after the toolkit's own. The toolkit names none of
// its constants as a Windows macro does, so the order is only for reading.

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
#include <oleacc.h>
