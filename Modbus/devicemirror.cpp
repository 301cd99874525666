#include "Modbus/devicemirror.h"

DeviceMirror g_mirror;

void forgetDevice()
{
    for (bool &read : g_mirror.blockRead)
        read = false;
    ++g_mirror.link;
}
