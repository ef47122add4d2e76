// The Windows time, registry and runtime services the time library and the converter stand on,
// under their Windows names. The build picks the backend: the system's own services on Windows
// (win32/), our implementation of the same services elsewhere (posix/).
#pragma once

#include "platform_backend.h"
