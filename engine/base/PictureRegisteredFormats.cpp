#include "engine/base/PictureRegisteredFormats.h"

#include "platform/gui/Pictures.h"

void HackTPictureRegisteredFormats(TStrings& Strings) {
  for (const auto& format : PictureFileFormats())
    Strings.AddObject(format->Extension + "=" + format->Description, format.get());
}

TClass GraphicClassForExtension(const std::string& Extension) {
  if (Extension.empty()) return nullptr;
  const std::string name = Extension[0] == '.' ? Extension.substr(1) : Extension;
  TStringList lines;
  HackTPictureRegisteredFormats(lines);
  const int index = lines.IndexOfName(name);
  if (index < 0) return nullptr;
  return static_cast<const TPictureFileFormat*>(lines.GetObject(index))->GraphicClass;
}
