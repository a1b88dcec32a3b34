#include "engine/GLMaterialLibrary.h"

#include <algorithm>
#include <utility>

#include "engine/GLState.h"
#include "engine/base/ApplicationFileIO.h"
#include "engine/base/PersistentClasses.h"
#include "engine/base/XOpenGL.h"
#include "platform/gl/OpenGL.h"
#include "platform/gui/Pictures.h"
#include "platform/rtl/SysUtils.h"

namespace {
const TVector cNoOffset = {0, 0, 0, 0};
const TVector cNoScale = {1, 1, 1, 0};

// Ends the texture-coordinate dispatch's update when the apply is left, even by an exception,
// so that a failing shader or material does not keep the dispatch updating for ever.
struct TDispatchUpdate {
  TDispatchUpdate() { BeginUpdate(); }
  ~TDispatchUpdate() { EndUpdate(); }
  TDispatchUpdate(const TDispatchUpdate&) = delete;
  TDispatchUpdate& operator=(const TDispatchUpdate&) = delete;
};
}  // namespace

// ---- TGLLibMaterial

const TPropertyTable& TGLLibMaterial::Published() {
  static const TPropertyTable table =
      TPropertyTable::Extend<TGLLibMaterial>(TCollectionItem::Published())
          .String("Name", &TGLLibMaterial::GetName, &TGLLibMaterial::SetName)
          .Object("Material", [](const TGLLibMaterial& m) { return m.GetMaterial(); })
          .Integer("Tag", &TGLLibMaterial::GetTag, &TGLLibMaterial::SetTag)
          .Object("TextureOffset", &TGLLibMaterial::GetTextureOffset)
          .Object("TextureScale", &TGLLibMaterial::GetTextureScale)
          .String("Texture2Name", &TGLLibMaterial::GetTexture2Name,
                  &TGLLibMaterial::SetTexture2Name)
          .Component("Shader", &TGLLibMaterial::GetShader, &TGLLibMaterial::SetShader);
  return table;
}

TGLLibMaterial::TGLLibMaterial(TCollection* ACollection)
    : TCollectionItem(ACollection),
      FMaterial(std::make_unique<TGLMaterial>(this)),
      FTextureOffset(std::make_unique<TGLCoordinates>(this, cNoOffset, ckFree)),
      FTextureScale(std::make_unique<TGLCoordinates>(this, cNoScale, ckFree)) {
  if (auto* materials = dynamic_cast<TGLLibMaterials*>(ACollection)) {
    FName = materials->MakeUniqueName("LibMaterial");
    FNameHashKey = ComputeNameHashKey(FName);
  }
  FMaterial->GetTexture()->OnTextureNeeded = [this](TObject* sender, std::string& fileName) {
    DoOnTextureNeeded(sender, fileName);
  };
  const auto recalculate = [this](TObject*) { CalculateTextureMatrix(); };
  FTextureOffset->OnNotifyChange = recalculate;
  FTextureScale->OnNotifyChange = recalculate;
}

TGLLibMaterial::~TGLLibMaterial() {
  SetShader(nullptr);
  SetTexture2Name("");
  for (TObject* user : std::vector<TObject*>(FUserList)) {
    if (auto* material = dynamic_cast<TGLMaterial*>(user)) {
      material->ClearLibraryLink();
    } else if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(user)) {
      libMaterial->FLibMatTexture2 = nullptr;
      libMaterial->FTexture2Name.clear();
    }
  }
}

TGLMaterialLibrary* TGLLibMaterial::Library() const {
  return Collection() ? dynamic_cast<TGLMaterialLibrary*>(Collection()->GetOwner()) : nullptr;
}

void TGLLibMaterial::SetName(const std::string& AValue) {
  if (AValue == FName) return;
  auto* materials = dynamic_cast<TGLLibMaterials*>(Collection());
  TGLMaterialLibrary* library = Library();
  const bool loading = library && (library->ComponentState() & csLoading);
  FName = (loading || !materials) ? AValue : materials->MakeUniqueName(AValue);
  FNameHashKey = ComputeNameHashKey(FName);
}

void TGLLibMaterial::SetMaterial(TGLMaterial* AValue) {
  FMaterial->Assign(AValue);
}

void TGLLibMaterial::SetTextureOffset(TGLCoordinates* AValue) {
  FTextureOffset->SetAsVector(AValue->GetAsVector());
  CalculateTextureMatrix();
}

void TGLLibMaterial::SetTextureScale(TGLCoordinates* AValue) {
  FTextureScale->SetAsVector(AValue->GetAsVector());
  CalculateTextureMatrix();
}

void TGLLibMaterial::SetTexture2Name(const std::string& AValue) {
  if (AValue == FTexture2Name) return;
  if (FLibMatTexture2) std::exchange(FLibMatTexture2, nullptr)->UnregisterLibMaterialUser(this);
  FTexture2Name = AValue;
  NotifyUsers();
}

void TGLLibMaterial::SetShader(TGLShader* AValue) {
  if (AValue == FShader) return;
  if (FShader) FShader->UnRegisterUser(this);
  FShader = AValue;
  if (FShader) FShader->RegisterUser(this);
  NotifyUsers();
}

void TGLLibMaterial::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TGLLibMaterial*>(Source);
  if (!source) return inherited::Assign(Source);
  auto* materials = dynamic_cast<TGLLibMaterials*>(Collection());
  FName = materials ? materials->MakeUniqueName(source->FName) : source->FName;
  FNameHashKey = ComputeNameHashKey(FName);
  FMaterial->Assign(source->FMaterial.get());
  FTextureOffset->SetDirectVector(source->FTextureOffset->GetAsVector());
  FTextureScale->SetDirectVector(source->FTextureScale->GetAsVector());
  FTexture2Name = source->FTexture2Name;
  CalculateTextureMatrix();
}

void TGLLibMaterial::CalculateTextureMatrix() {
  FTextureMatrixIsIdentity = FTextureOffset->Equals(cNoOffset) && FTextureScale->Equals(cNoScale);
  if (!FTextureMatrixIsIdentity)
    CreateScaleAndTranslationMatrix(FTextureScale->GetAsVector(), FTextureOffset->GetAsVector(),
                                    FTextureMatrix);
  NotifyUsers();
}

void TGLLibMaterial::Loaded() {
  CalculateTextureMatrix();
  FMaterial->Loaded();
}

void TGLLibMaterial::RegisterUser(TGLMaterial* user) {
  Assert(std::find(FUserList.begin(), FUserList.end(), user) == FUserList.end());
  FUserList.push_back(user);
}

void TGLLibMaterial::UnregisterUser(TGLMaterial* user) {
  std::erase(FUserList, user);
}

void TGLLibMaterial::RegisterLibMaterialUser(TGLLibMaterial* user) {
  Assert(std::find(FUserList.begin(), FUserList.end(), user) == FUserList.end());
  FUserList.push_back(user);
}

void TGLLibMaterial::UnregisterLibMaterialUser(TGLLibMaterial* user) {
  std::erase(FUserList, user);
}

template <class Tell>
void TGLLibMaterial::TellUsers(Tell tell) {
  // A library material's users may include library materials that use it in turn.
  if (FNotifying) return;
  FNotifying = true;
  struct TGuard {
    bool& flag;
    ~TGuard() { flag = false; }
  } guard{FNotifying};
  for (TObject* user : std::vector<TObject*>(FUserList)) tell(user);
}

void TGLLibMaterial::NotifyUsers() {
  TellUsers([this](TObject* user) {
    if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(user))
      object->NotifyChange(this);
    else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(user))
      component->NotifyChange(this);
    else if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(user))
      libMaterial->NotifyUsers();
    else
      Assert(false);
  });
}

void TGLLibMaterial::NotifyUsersOfTexMapChange() {
  TellUsers([this](TObject* user) {
    if (auto* material = dynamic_cast<TGLMaterial*>(user))
      material->NotifyStructureChange();
    else if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(user))
      libMaterial->NotifyUsersOfTexMapChange();
    else if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(user))
      object->NotifyChange(this);
    else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(user))
      component->NotifyChange(this);
  });
}

void TGLLibMaterial::Apply(TRenderContextInfo& rci) {
  TDispatchUpdate update;
  if (FShader && FShader->GetShaderStyle() == ssBeforeMaterial) {
    FShader->Apply(rci, this);
    try {
      ApplyMaterial(rci);
    } catch (...) {
      // The shader's pass ends with the material's failure; left open, it would refuse the
      // next frame's apply.
      while (FShader->UnApply(rci)) {
      }
      throw;
    }
    return;
  }
  if (FShader && FShader->GetShaderStyle() == ssReplaceMaterial) return FShader->Apply(rci, this);
  ApplyMaterial(rci);
  if (FShader && FShader->GetShaderStyle() == ssAfterMaterial) FShader->Apply(rci, this);
}

void TGLLibMaterial::ApplyMaterial(TRenderContextInfo& rci) {
  TGLLibMaterial* second = nullptr;
  if (!FTexture2Name.empty() && GLSupport.ARB_multitexture &&
      !vTexCoordDispatch.vForbidSecondTextureUnit) {
    if (!FLibMatTexture2) {
      auto* materials = dynamic_cast<TGLLibMaterials*>(Collection());
      FLibMatTexture2 = materials ? materials->GetLibMaterialByName(FTexture2Name) : nullptr;
      if (FLibMatTexture2)
        FLibMatTexture2->RegisterLibMaterialUser(this);
      else
        FTexture2Name.clear();
    }
    if (FLibMatTexture2 && FLibMatTexture2->GetMaterial()->GetTexture()->GetEnabled())
      second = FLibMatTexture2;
  }
  TGLTexture* texture = FMaterial->GetTexture();
  if (second) {
    if (!FTextureMatrixIsIdentity) rci.stateCache->SetGLTextureMatrix(FTextureMatrix);
    FMaterial->Apply(rci);
    TGLTexture* texture2 = second->GetMaterial()->GetTexture();
    texture2->ApplyAsTexture2(rci, second);
    const bool userMapped2 = texture2->GetMappingMode() == tmmUser;
    if (texture->GetEnabled() && texture->GetMappingMode() == tmmUser && userMapped2)
      MapTexCoordToDual();
    else if (userMapped2)
      MapTexCoordToSecond();
    else
      MapTexCoordToMain();
  } else {
    if (texture->GetEnabled() && !FTextureMatrixIsIdentity)
      rci.stateCache->SetGLTextureMatrix(FTextureMatrix);
    FMaterial->Apply(rci);
  }
}

bool TGLLibMaterial::UnApply(TRenderContextInfo& rci) {
  bool result = false;
  if (FShader) {
    if (FShader->GetShaderStyle() == ssAfterMaterial) result = FShader->UnApply(rci);
    if (FShader->GetShaderStyle() == ssReplaceMaterial) return FShader->UnApply(rci);
  }
  if (result) return true;
  bool secondApplied = false;
  if (FLibMatTexture2 && !vTexCoordDispatch.vForbidSecondTextureUnit) {
    FLibMatTexture2->GetMaterial()->GetTexture()->UnApplyAsTexture2(rci, FLibMatTexture2);
    MapTexCoordToMain();
    secondApplied = true;
  }
  FMaterial->UnApply(rci);
  // With a second texture the apply set the matrix whatever the own texture's state was.
  if (!FTextureMatrixIsIdentity && (secondApplied || FMaterial->GetTexture()->GetEnabled()))
    rci.stateCache->ResetGLTextureMatrix();
  if (FShader && FShader->GetShaderStyle() == ssBeforeMaterial) return FShader->UnApply(rci);
  return result;
}

void TGLLibMaterial::DoOnTextureNeeded(TObject*, std::string& textureFileName) {
  TGLMaterialLibrary* library = Library();
  if (!library) return;
  if (library->OnTextureNeeded) library->OnTextureNeeded(library, textureFileName);
  // Names that already say where they are are not searched for.
  if (textureFileName.find(':') != std::string::npos) return;
  if (!textureFileName.empty() && (textureFileName[0] == '\\' || textureFileName[0] == '/')) return;
  for (const std::string& path : library->TexturePathList()) {
    const std::string candidate = path + textureFileName;
    if (FileStreamExists(candidate)) {
      textureFileName = candidate;
      return;
    }
  }
}

// ---- TGLLibMaterials

TGLLibMaterials::TGLLibMaterials(TComponent* AOwner)
    : TOwnedCollection(AOwner, TGLLibMaterial::StaticClass()) {}

int32_t ComputeNameHashKey(const std::string& name) {
  uint32_t hash = uint32_t(name.size());
  for (unsigned char byte : name) hash = 2 * hash + byte;
  return int32_t(hash);
}

TGLLibMaterial* TGLLibMaterials::GetLibMaterialByName(const std::string& name) const {
  const int32_t hash = ComputeNameHashKey(name);
  for (int i = 0; i < Count(); ++i) {
    TGLLibMaterial* item = Items(i);
    if (item->GetNameHashKey() == hash && item->GetName() == name) return item;
  }
  return nullptr;
}

std::string TGLLibMaterials::MakeUniqueName(const std::string& base) const {
  if (!GetLibMaterialByName(base)) return base;
  for (int i = 1;; ++i)
    if (std::string name = base + std::to_string(i); !GetLibMaterialByName(name)) return name;
}

void TGLLibMaterials::Loaded() {
  for (int i = 0; i < Count(); ++i) Items(i)->Loaded();
}

// ---- TGLMaterialLibrary

const TPropertyTable& TGLMaterialLibrary::Published() {
  static const TPropertyTable table = [] {
    TPropertyTable published =
        TPropertyTable::Extend<TGLMaterialLibrary>(TGLCadenceAbleComponent::Published())
            .Object("Materials", &TGLMaterialLibrary::GetMaterials)
            .String("TexturePaths", &TGLMaterialLibrary::GetTexturePaths,
                    &TGLMaterialLibrary::SetTexturePaths);
    // The class library publishes sub-objects without a stored test: an empty collection is
    // left out of the layout.
    TPropInfo materials = *published.Find("Materials");
    materials.Rule = Stored(&TGLMaterialLibrary::HasMaterials);
    published.Add(std::move(materials));
    return published;
  }();
  return table;
}

TGLMaterialLibrary::TGLMaterialLibrary(TComponent* AOwner)
    : TGLCadenceAbleComponent(AOwner), FMaterials(std::make_unique<TGLLibMaterials>(this)) {}

TGLMaterialLibrary::~TGLMaterialLibrary() {
  FMaterials.reset();
}

void TGLMaterialLibrary::Loaded() {
  FMaterials->Loaded();
  inherited::Loaded();
}

void TGLMaterialLibrary::SetMaterials(TGLLibMaterials* AValue) {
  FMaterials->Assign(AValue);
}

TGLLibMaterial* TGLMaterialLibrary::LibMaterialByName(const std::string& name) const {
  return FMaterials->GetLibMaterialByName(name);
}

TGLLibMaterial* TGLMaterialLibrary::AddTextureMaterial(const std::string& name, TGraphic* graphic) {
  TGLLibMaterial* added = FMaterials->Add();
  added->SetName(name);
  TGLTexture* texture = added->GetMaterial()->GetTexture();
  texture->SetMinFilter(miLinearMipmapLinear);
  texture->SetMagFilter(maLinear);
  texture->SetTextureMode(tmModulate);
  texture->SetDisabled(false);
  if (auto* image = dynamic_cast<TGLPictureImage*>(texture->GetImage()))
    image->GetPicture()->Assign(graphic);
  return added;
}

void TGLMaterialLibrary::SetTexturePaths(const std::string& AValue) {
  FTexturePathList.clear();
  FTexturePaths = AValue;
  size_t start = 0;
  while (start <= AValue.size()) {
    size_t end = AValue.find(';', start);
    if (end == std::string::npos) end = AValue.size();
    size_t first = start, last = end;
    while (first < last && uint8_t(AValue[first]) <= ' ') ++first;
    while (last > first && uint8_t(AValue[last - 1]) <= ' ') --last;
    if (first < last) {
      std::string path = AValue.substr(first, last - first);
      // Folders are joined with "/" here; one that already ends with a separator keeps it.
      if (path.back() != '/' && path.back() != '\\') path += '/';
      FTexturePathList.push_back(std::move(path));
    }
    start = end + 1;
  }
}

// ---- The material library stream

namespace {
constexpr int32_t cArchiveVersion = 2;

// The bitmap file of an enabled texture whose persistent image holds a graphic, else nothing.
bool TextureBitmap(TGLTexture* texture, std::string& data) {
  auto* image = dynamic_cast<TGLPersistentImage*>(texture->GetImage());
  if (!texture->GetEnabled() || !image || !image->GetPicture()->GetGraphic()) return false;
  TBitmap bitmap;
  bitmap.Assign(image->GetPicture()->GetGraphic());
  TStringStream stream;
  bitmap.SaveToStream(stream);
  data = stream.DataString();
  return true;
}

void WriteTexture(TVirtualWriter& writer, TGLTexture* texture) {
  std::string data;
  const bool present = TextureBitmap(texture, data);
  writer.WriteBoolean(present);
  if (present) writer.WriteString(data);
}

void WriteXYZ(TVirtualWriter& writer, const TGLCoordinates* coordinates) {
  writer.Write(coordinates->GetAsVector().data(), 12);
}

struct TStreamedFace {
  TColorVector ambient = ColorBlack, diffuse = ColorBlack, emission = ColorBlack,
               specular = ColorBlack;
  uint8_t shininess = 0;
  int32_t polygonMode = pmFill;
};

struct TStreamedUnit {
  std::unique_ptr<TBitmap> bitmap;
  int32_t textureIndex = 0;
  TVector offset = cNoOffset, scale = cNoScale;
};

// One material as the stream holds it, read whole before the library changes.
struct TStreamedMaterial {
  std::string name;
  std::unique_ptr<TBitmap> bitmap;
  TStreamedFace front, back;
  int32_t blendingMode = bmOpaque;
  uint8_t options = 0;
  TVector offset = cNoOffset, scale = cNoScale;
  std::string texture2Name;
  std::vector<TStreamedUnit> units;
  bool full = false;
};

[[noreturn]] void BadValue(const std::string& material, const std::string& what) {
  throw EReadError("Material library: invalid " + what + " in material \"" + material + "\"");
}

std::unique_ptr<TBitmap> ReadTexture(TVirtualReader& reader, const std::string& material) {
  if (!reader.ReadBoolean()) return nullptr;
  TStringStream data(reader.ReadString());
  auto bitmap = std::make_unique<TBitmap>();
  try {
    bitmap->LoadFromStream(data);
  } catch (const Exception&) {
    BadValue(material, "texture bitmap");
  }
  return bitmap;
}

void ReadXYZ(TVirtualReader& reader, TVector& vector) {
  reader.Read(vector.data(), 12);
}

void ReadFace(TVirtualReader& reader, TStreamedFace& face, bool full, const std::string& name) {
  reader.Read(face.ambient.data(), 12);
  reader.Read(face.diffuse.data(), 16);
  reader.Read(face.emission.data(), 12);
  reader.Read(face.specular.data(), 12);
  if (!full) return;
  reader.Read(&face.shininess, 1);
  if (face.shininess > cMaxShininess) BadValue(name, "shininess");
  face.polygonMode = reader.ReadInteger();
  if (face.polygonMode < pmFill || face.polygonMode > pmPoints) BadValue(name, "polygon mode");
}

TStreamedMaterial ReadMaterial(TVirtualReader& reader, int32_t version) {
  TStreamedMaterial m;
  m.name = reader.ReadString();
  m.bitmap = ReadTexture(reader, m.name);
  m.full = version >= 1;
  if (!m.full) {
    ReadFace(reader, m.front, false, m.name);
    return m;
  }
  ReadFace(reader, m.front, true, m.name);
  ReadFace(reader, m.back, true, m.name);
  m.blendingMode = reader.ReadInteger();
  if (m.blendingMode < bmOpaque || m.blendingMode > bmModulate) BadValue(m.name, "blending mode");
  // Only the one byte of options is known; a stream that claims more is not ours.
  if (reader.ReadInteger() != 1) BadValue(m.name, "options size");
  reader.Read(&m.options, 1);
  if (m.options & ~(moIgnoreFog | moNoLighting)) BadValue(m.name, "options");
  ReadXYZ(reader, m.offset);
  ReadXYZ(reader, m.scale);
  m.texture2Name = reader.ReadString();
  if (version < 2) return m;
  const int32_t count = reader.ReadInteger();
  if (count < 0) BadValue(m.name, "texture unit count");
  for (int32_t i = 0; i < count; ++i) {
    TStreamedUnit unit;
    unit.bitmap = ReadTexture(reader, m.name);
    unit.textureIndex = reader.ReadInteger();
    ReadXYZ(reader, unit.offset);
    ReadXYZ(reader, unit.scale);
    m.units.push_back(std::move(unit));
  }
  return m;
}

void StoreFace(TGLFaceProperties& face, const TStreamedFace& read, bool full) {
  face.GetAmbient()->SetDirectColor(
      {read.ambient[0], read.ambient[1], read.ambient[2], face.GetAmbient()->GetAlpha()});
  face.GetDiffuse()->SetDirectColor(read.diffuse);
  face.GetEmission()->SetDirectColor(
      {read.emission[0], read.emission[1], read.emission[2], face.GetEmission()->GetAlpha()});
  face.GetSpecular()->SetDirectColor(
      {read.specular[0], read.specular[1], read.specular[2], face.GetSpecular()->GetAlpha()});
  if (!full) return;
  face.SetShininess(read.shininess);
  face.SetPolygonMode(TPolygonMode(read.polygonMode));
}

void SetDirectXYZ(TGLCoordinates& coordinates, const TVector& xyz) {
  TVector v = coordinates.GetAsVector();
  std::copy_n(xyz.begin(), 3, v.begin());
  coordinates.SetDirectVector(v);
}
}  // namespace

void TGLMaterialLibrary::WriteToFiler(TVirtualWriter& writer) {
  writer.WriteInteger(cArchiveVersion);
  writer.WriteInteger(FMaterials->Count());
  for (int i = 0; i < FMaterials->Count(); ++i) {
    TGLLibMaterial* libMaterial = FMaterials->Items(i);
    TGLMaterial* material = libMaterial->GetMaterial();
    writer.WriteString(libMaterial->GetName());
    WriteTexture(writer, material->GetTexture());
    for (TGLFaceProperties* face :
         {material->GetFrontProperties(), material->GetBackProperties()}) {
      writer.Write(face->GetAmbient()->GetColor().data(), 12);
      writer.Write(face->GetDiffuse()->GetColor().data(), 16);
      writer.Write(face->GetEmission()->GetColor().data(), 12);
      writer.Write(face->GetSpecular()->GetColor().data(), 12);
      const uint8_t shininess = face->GetShininess();
      writer.Write(&shininess, 1);
      writer.WriteInteger(face->GetPolygonMode());
    }
    writer.WriteInteger(material->GetBlendingMode());
    writer.WriteInteger(1);
    const uint8_t options = material->GetMaterialOptions();
    writer.Write(&options, 1);
    WriteXYZ(writer, libMaterial->GetTextureOffset());
    WriteXYZ(writer, libMaterial->GetTextureScale());
    writer.WriteString(libMaterial->GetTexture2Name());
    TGLTextureEx* units = material->GetTextureEx();
    writer.WriteInteger(units->Count());
    for (int u = 0; u < units->Count(); ++u) {
      TGLTextureExItem* unit = units->Items(u);
      WriteTexture(writer, unit->GetTexture());
      writer.WriteInteger(unit->GetTextureIndex());
      WriteXYZ(writer, unit->GetTextureOffset());
      WriteXYZ(writer, unit->GetTextureScale());
    }
  }
}

void TGLMaterialLibrary::ReadFromFiler(TVirtualReader& reader) {
  const int32_t version = reader.ReadInteger();
  if (version < 0 || version > cArchiveVersion)
    TPersistentObject::RaiseFilerException(ClassType(), version);
  if (!FDoNotClearMaterialsOnLoad) FMaterials->Clear();
  const int32_t count = reader.ReadInteger();
  for (int32_t i = 0; i < count; ++i) {
    const TStreamedMaterial read = ReadMaterial(reader, version);
    TGLLibMaterial* libMaterial =
        FDoNotClearMaterialsOnLoad ? LibMaterialByName(read.name) : nullptr;
    if (read.bitmap) {
      if (libMaterial) {
        if (auto* image = dynamic_cast<TGLPictureImage*>(
                libMaterial->GetMaterial()->GetTexture()->GetImage()))
          image->GetPicture()->Assign(read.bitmap.get());
      } else {
        libMaterial = AddTextureMaterial(read.name, read.bitmap.get());
      }
    } else if (!libMaterial) {
      libMaterial = FMaterials->Add();
      libMaterial->SetName(read.name);
    }
    TGLMaterial* material = libMaterial->GetMaterial();
    StoreFace(*material->GetFrontProperties(), read.front, read.full);
    if (!read.full) continue;
    StoreFace(*material->GetBackProperties(), read.back, true);
    material->SetBlendingMode(TBlendingMode(read.blendingMode));
    material->SetMaterialOptions(read.options);
    SetDirectXYZ(*libMaterial->GetTextureOffset(), read.offset);
    SetDirectXYZ(*libMaterial->GetTextureScale(), read.scale);
    libMaterial->SetTexture2Name(read.texture2Name);
    for (const TStreamedUnit& unit : read.units) {
      TGLTextureExItem* item = material->GetTextureEx()->Add();
      if (unit.bitmap) {
        if (auto* image = dynamic_cast<TGLPictureImage*>(item->GetTexture()->GetImage()))
          image->GetPicture()->Assign(unit.bitmap.get());
        item->GetTexture()->SetEnabled(true);
      }
      item->SetTextureIndex(unit.textureIndex);
      SetDirectXYZ(*item->GetTextureOffset(), unit.offset);
      SetDirectXYZ(*item->GetTextureScale(), unit.scale);
    }
  }
}

void TGLMaterialLibrary::SaveToStream(TStream* stream) {
  TBinaryWriter writer(stream);
  WriteToFiler(writer);
}

void TGLMaterialLibrary::LoadFromStream(TStream* stream) {
  TBinaryReader reader(stream);
  ReadFromFiler(reader);
}

void RegisterGLMaterialLibrary() {
  RegisterClass(TGLMaterialLibrary::StaticClass());
}
