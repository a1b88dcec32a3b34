#pragma once
// Which picture class loads a file of a given extension: the fallback of the texture images for
// picture files.

#include <string>

#include "platform/rtl/Classes.h"

// Appends "extension=description" per registered picture format, in the registry's order; each
// line's object is the registry's TPictureFileFormat entry, which holds the graphic class.
void HackTPictureRegisteredFormats(TStrings& Strings);
// With or without the leading dot, in any case; nullptr for "" and for an extension that no
// format registers.
TClass GraphicClassForExtension(const std::string& Extension);
