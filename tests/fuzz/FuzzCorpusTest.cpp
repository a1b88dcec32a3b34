// Replays the fuzz corpus (seeds and every input a fuzz run found) through the data-file and
// layout-text readers: each input is refused with the class library's exceptions or reads back
// the same once written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzTargets.h"

TEST(FuzzCorpus, EveryInputIsRefusedOrReadsBackTheSame) {
  for (const TFuzzTarget& target : FuzzTargets) {
    const std::filesystem::path folder =
        std::filesystem::path(TEST_DATA_DIR) / "fuzz" / target.Name;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    EXPECT_FALSE(files.empty()) << target.Name;
    for (const auto& file : files) {
      SCOPED_TRACE(file.string());
      std::ifstream in(file, std::ios::binary);
      const std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      EXPECT_NO_THROW(target.Run(reinterpret_cast<const uint8_t*>(input.data()), input.size()));
    }
  }
}
