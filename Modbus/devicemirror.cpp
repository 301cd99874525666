#include "Modbus/devicemirror.h"

DeviceMirror g_mirror;
