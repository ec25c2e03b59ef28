// The EDID register maps, chosen per 128-byte block by InterpretRegister.
#pragma once

#include "edid/FieldTable.h"

namespace hdmi {

extern const RegisterEntry kBaseBlockMap[];      // base block, and extensions of any other tag
extern const RegisterEntry kExtensionTag10Map[];  // extension block tag 10h
extern const RegisterEntry kExtensionTag50Map[];  // extension block tag 50h
extern const FieldDescriptor kDescriptorFields[];  // shared by the four 18-byte descriptors

}  // namespace hdmi
