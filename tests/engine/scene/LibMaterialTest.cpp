// Library materials in their collection: name hashing, unique names and renaming, the texture
// folders of the library and the search for a missing texture file in them, and the links a
// library material clears when it goes.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/GLMaterialLibrary.h"
#include "tests/support/Raises.h"

namespace {

TEST(LibMaterial, NameHashDoublesAndAddsUnsignedBytesWrappingIn32Bits) {
  const struct {
    std::string name;
    int32_t hash;
  } cases[] = {
      {"", 0},
      {"abc", 707},
      {"\x80", 130},                               // 2 x 1 + 128: the byte counts unsigned
      {"\xff\xff", 773},                           // (2 x 2 + 255) x 2 + 255
      {std::string(40, '\xff'), -255},             // 2^40 x 295 - 255, wrapped
      {std::string(33, '\0') + "a", int32_t(97)},  // the length shifted out, the byte stays
  };
  for (const auto& c : cases)
    EXPECT_EQ(ComputeNameHashKey(c.name), c.hash) << "name of " << c.name.size() << " bytes";
}

TEST(LibMaterial, NewMaterialsGetUniqueNamesAndRenamingKeepsThemUnique) {
  TGLMaterialLibrary library(nullptr);
  TGLLibMaterials& materials = *library.GetMaterials();
  TGLLibMaterial* first = materials.Add();
  TGLLibMaterial* second = materials.Add();
  TGLLibMaterial* third = materials.Add();
  EXPECT_EQ(first->GetName(), "LibMaterial");
  EXPECT_EQ(second->GetName(), "LibMaterial1");
  EXPECT_EQ(third->GetName(), "LibMaterial2");

  third->SetName("LibMaterial2");
  EXPECT_EQ(third->GetName(), "LibMaterial2");
  third->SetName("LibMaterial");
  EXPECT_EQ(third->GetName(), "LibMaterial3");
  second->SetName("Gold");
  EXPECT_EQ(second->GetName(), "Gold");

  EXPECT_EQ(library.LibMaterialByName("Gold"), second);
  EXPECT_EQ(library.LibMaterialByName("LibMaterial3"), third);
  EXPECT_EQ(library.LibMaterialByName("gold"), nullptr);
  EXPECT_EQ(library.LibMaterialByName("LibMaterial1"), nullptr);
  EXPECT_EQ(second->GetNameHashKey(), ComputeNameHashKey("Gold"));
}

TEST(LibMaterial, ACopyTakesAUniqueNameButNeitherShaderNorTag) {
  TGLMaterialLibrary library(nullptr);
  TGLLibMaterial* source = library.GetMaterials()->Add();
  source->SetTexture2Name("Detail");
  source->SetTag(7);
  source->GetTextureScale()->SetVector(2, 2, 1);
  source->GetMaterial()->SetBlendingMode(bmAdditive);
  TGLLibMaterial* copy = library.GetMaterials()->Add();
  copy->Assign(source);
  EXPECT_EQ(copy->GetName(), "LibMaterial2");
  EXPECT_EQ(copy->GetTexture2Name(), "Detail");
  EXPECT_EQ(copy->GetTag(), 0);
  EXPECT_EQ(copy->GetMaterial()->GetBlendingMode(), bmAdditive);
  EXPECT_FALSE(copy->GetTextureMatrixIsIdentity());
  EXPECT_EQ(copy->GetTextureMatrix()[0][0], 2);
}

TEST(LibMaterial, TexturePathsAreTrimmedFoldersEndingWithASeparator) {
  const struct {
    std::string text;
    std::vector<std::string> folders;
  } cases[] = {
      {" c:\\textures ; ; d:\\more\\ ", {"c:\\textures/", "d:\\more\\"}},
      {"", {}},
      {";;", {}},
      {"\ttextures\r\n;/usr/share/textures/", {"textures/", "/usr/share/textures/"}},
  };
  TGLMaterialLibrary library(nullptr);
  for (const auto& c : cases) {
    library.SetTexturePaths(c.text);
    EXPECT_EQ(library.TexturePathList(), c.folders) << c.text;
    EXPECT_EQ(library.GetTexturePaths(), c.text);
  }
}

TEST(LibMaterial, AMissingTextureIsLookedForInTheFoldersUnlessItsNameSaysWhereItIs) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "vandremolix-libmaterial-test";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "brick.bmp") << "BM";
  TGLMaterialLibrary library(nullptr);
  library.SetTexturePaths("no-such-folder;" + folder.string());
  std::vector<std::string> asked;
  library.OnTextureNeeded = [&](TObject* sender, std::string& name) {
    asked.push_back(name);
    EXPECT_EQ(sender, &library);
    if (name == "renamed.bmp") name = "brick.bmp";
  };
  TGLLibMaterial* libMaterial = library.GetMaterials()->Add();
  const struct {
    std::string name, found;
  } cases[] = {
      {"brick.bmp", (folder / "brick.bmp").string()},
      {"renamed.bmp", (folder / "brick.bmp").string()},
      {"stone.bmp", "stone.bmp"},
      {"c:brick.bmp", "c:brick.bmp"},
      {"\\brick.bmp", "\\brick.bmp"},
      {"/brick.bmp", "/brick.bmp"},
  };
  for (const auto& c : cases) {
    std::string name = c.name;
    libMaterial->DoOnTextureNeeded(nullptr, name);
    EXPECT_EQ(name, c.found) << c.name;
  }
  EXPECT_EQ(asked.size(), std::size(cases));
  std::filesystem::remove_all(folder);
}

TEST(LibMaterial, AGoingLibraryMaterialClearsTheLinksOfItsUsers) {
  TGLMaterialLibrary library(nullptr);
  TGLLibMaterial* gold = library.GetMaterials()->Add();
  gold->SetName("Gold");
  TGLMaterial first(nullptr), second(nullptr);
  for (TGLMaterial* material : {&first, &second}) {
    material->SetMaterialLibrary(&library);
    material->SetLibMaterialName("Gold");
    EXPECT_EQ(material->GetCurrentLibMaterial(), gold);
  }
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { gold->RegisterUser(&first); },
                                       testing::StartsWith("Assertion failure")));
  delete gold;
  for (TGLMaterial* material : {&first, &second}) {
    EXPECT_EQ(material->GetCurrentLibMaterial(), nullptr);
    EXPECT_EQ(material->GetLibMaterialName(), "");
  }
  EXPECT_EQ(library.GetMaterials()->Count(), 0);
}

}  // namespace
