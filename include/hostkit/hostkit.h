// HOSTKIT: every exported header of the library.
#pragma once

#include <hostkit/config.h>
#include <hostkit/win32types.h>
#include <hostkit/afx.h>
#include <hostkit/frame.h>
#include <hostkit/path.h>
#include <hostkit/fs.h>
#include <hostkit/netsec.h>
#include <hostkit/registry.h>
#include <hostkit/checksum.h>
#include <hostkit/types.h>
#include <hostkit/time.h>
#include <hostkit/mail.h>
