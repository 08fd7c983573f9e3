// HOSTKIT: every exported header of the library.
#pragma once

#include <hostkit/config.h>
#include <hostkit/win32types.h>
#include <hostkit/afx.h>
#include <hostkit/frame.h>
#include <hostkit/path.h>
#include <hostkit/mail.h>
