#include "fontconfigrelease.h"

#include <fontconfig/fontconfig.h>

FontconfigRelease::~FontconfigRelease()
{
    FcConfig *empty = FcConfigCreate();
    if (!empty)
        return;
    FcConfigSetCurrent(empty); // takes a reference of its own when it succeeds
    FcConfigDestroy(empty);
}
