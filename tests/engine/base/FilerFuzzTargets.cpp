#include "FilerFuzzTargets.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "FilerTestSupport.h"
#include "engine/GLMaterialLibrary.h"
#include "engine/GLTexture.h"
#include "engine/base/PersistentClasses.h"
#include "engine/base/VectorLists.h"
#include "engine/base/XCollection.h"

namespace {

std::string Text(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// Reads whatever value each tag announces until the input fails or ends.
void FuzzBinaryReader(const uint8_t* data, size_t size) {
  TStringStream stream(Text(data, size));
  TBinaryReader reader(&stream);
  try {
    while (stream.GetPosition() < stream.GetSize()) {
      switch (int(reader.NextValue())) {
        case vaNull:
          reader.ReadListEnd();
          break;
        case vaList:
          reader.ReadListBegin();
          break;
        case vaExtended:
          reader.ReadFloat();
          break;
        case vaFalse:
        case vaTrue:
          reader.ReadBoolean();
          break;
        case vaString:
        case vaLString:
        case vaWString:
        case vaUTF8String:
          reader.ReadString();
          break;
        default:
          reader.ReadInteger();
      }
    }
  } catch (const Exception&) {
  }
}

void FuzzObjectList(const uint8_t* data, size_t size) {
  RegisterPersistentClasses();
  RegisterVectorLists();
  TPersistentObjectList list;
  try {
    list.LoadFromString(Text(data, size));
  } catch (const Exception&) {
  }
  FreeNested(list);
}

template <class L>
void LoadList(const std::string& data) {
  L list;
  try {
    list.LoadFromString(data);
  } catch (const Exception&) {
  }
}

void FuzzVectorLists(const uint8_t* data, size_t size) {
  const std::string bytes = Text(data, size);
  LoadList<TAffineVectorList>(bytes);
  LoadList<TVectorList>(bytes);
  LoadList<TTexPointList>(bytes);
  LoadList<TIntegerList>(bytes);
  LoadList<TSingleList>(bytes);
  LoadList<TByteList>(bytes);
}

class TFuzzItem : public TXCollectionItem {
  RTL_CLASS(TFuzzItem, TXCollectionItem)
  explicit TFuzzItem(TXCollection* owner)
      : TXCollectionItem(owner, XCollectionItemClass<TFuzzItem>()) {}
  static std::string FriendlyName() { return "Fuzz"; }
  static bool UniqueItem() { return false; }
};

class TFuzzUniqueItem : public TXCollectionItem {
  RTL_CLASS(TFuzzUniqueItem, TXCollectionItem)
  explicit TFuzzUniqueItem(TXCollection* owner)
      : TXCollectionItem(owner, XCollectionItemClass<TFuzzUniqueItem>()) {}
  static std::string FriendlyName() { return "Unique"; }
  static bool UniqueItem() { return true; }
};

void FuzzXCollection(const uint8_t* data, size_t size) {
  RegisterXCollectionItemClass(XCollectionItemClass<TFuzzItem>());
  RegisterXCollectionItemClass(XCollectionItemClass<TFuzzUniqueItem>());
  TXCollection collection(nullptr);
  TStringStream stream(Text(data, size));
  try {
    TReader reader(stream);
    collection.ReadFromFiler(reader);
  } catch (const Exception&) {
  }
}

// The texture images read files only: the input becomes a file of this process.
template <class TImage>
void LoadImageFile(const uint8_t* data, size_t size, const char* name) {
  const std::string fileName = (std::filesystem::temp_directory_path() /
                                ("vm-fuzz-" + std::to_string(::getpid()) + "-" + name))
                                   .string();
  std::ofstream(fileName, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  TImage image(nullptr);
  try {
    image.LoadFromFile(fileName);
  } catch (const Exception&) {
  }
  if constexpr (std::is_same_v<TImage, TGLCubeMapImage>)
    for (GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X; face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z;
         ++face)
      image.GetBitmap32(face);
  std::filesystem::remove(fileName);
}

void FuzzCubeMap(const uint8_t* data, size_t size) {
  LoadImageFile<TGLCubeMapImage>(data, size, "cube-map");
}

void FuzzBlankImage(const uint8_t* data, size_t size) {
  LoadImageFile<TGLBlankImage>(data, size, "blank-image");
}

void FuzzFloatDataImage(const uint8_t* data, size_t size) {
  LoadImageFile<TGLFloatDataImage>(data, size, "float-data-image");
}

// A material library's stream, read over materials it already holds.
void FuzzMaterialLibrary(const uint8_t* data, size_t size) {
  TGLMaterialLibrary library(nullptr);
  library.GetMaterials()->Add();
  TStringStream stream(Text(data, size));
  try {
    library.LoadFromStream(&stream);
  } catch (const Exception&) {
  }
}

}  // namespace

const TFilerFuzzTarget FilerFuzzTargets[8] = {
    {"binary-reader", FuzzBinaryReader},
    {"object-list", FuzzObjectList},
    {"vector-lists", FuzzVectorLists},
    {"xcollection", FuzzXCollection},
    {"cube-map", FuzzCubeMap},
    {"blank-image", FuzzBlankImage},
    {"float-data-image", FuzzFloatDataImage},
    {"material-library", FuzzMaterialLibrary},
};
