// Without a window no gadget shows the crop image.
#include "app/source.h"

void clear_crop_display() {}
