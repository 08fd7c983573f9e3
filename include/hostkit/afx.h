// The framework subset the library's interface is written in.
#pragma once

#include <hostkit/afx/string.h>
#include <hostkit/afx/object.h>
#include <hostkit/afx/coll.h>
#include <hostkit/afx/except.h>
#include <hostkit/afx/time.h>
#include <hostkit/afx/file.h>
#include <hostkit/afx/archive.h>
#include <hostkit/afx/sync.h>
#include <hostkit/afx/ui.h>
#include <hostkit/afx/dll.h>
#include <hostkit/afx/dialog.h>
