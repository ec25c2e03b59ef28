// Placeholder maps so that the interpreter links while the real tables are being entered.
// Delete this file when BaseBlockMap.cpp, DescriptorTable.cpp and ExtensionMaps.cpp exist.
#include "edid/EdidMaps.h"

namespace hdmi {

const FieldDescriptor kDescriptorFields[] = {EndTable()};
const RegisterEntry kExtensionTag10Map[] = {{}};
const RegisterEntry kExtensionTag50Map[] = {{}};
}  // namespace hdmi
