// Replays the fuzz corpus (seeds and every input a fuzz run found) through each reader of
// damaged input, and a fixed set of mutations of it: nothing may escape but the class library's
// exceptions, and under the sanitizers nothing may leak or overrun.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "FilerFuzzTargets.h"

namespace {

std::vector<std::string> Corpus(const std::string& name) {
  std::vector<std::string> inputs;
  const std::filesystem::path dir = std::filesystem::path(TEST_DATA_DIR) / "filer-fuzz" / name;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return inputs;
}

// Byte flips, boundary values, insertions, deletions and truncations, from a fixed seed.
std::string Mutate(std::string s, std::mt19937& random) {
  const int steps = 1 + int(random() % 4);
  for (int k = 0; k < steps; ++k) {
    const size_t at = s.empty() ? 0 : random() % s.size();
    static const char boundary[] = {0,  1,  2,  4,          5,          6,
                                    12, 18, 20, char(0x7F), char(0x80), char(0xFF)};
    switch (random() % 5) {
      case 0:
        if (!s.empty()) s[at] = char(s[at] ^ (1 << (random() % 8)));
        break;
      case 1:
        if (!s.empty()) s[at] = boundary[random() % sizeof boundary];
        break;
      case 2:
        s.insert(at, 1, boundary[random() % sizeof boundary]);
        break;
      case 3:
        if (!s.empty()) s.erase(at, 1 + random() % 4);
        break;
      default:
        s.resize(at);
    }
  }
  return s;
}

TEST(FilerFuzzCorpus, EveryReaderSurvivesTheCorpusAndItsMutations) {
  for (const TFilerFuzzTarget& target : FilerFuzzTargets) {
    const std::vector<std::string> corpus = Corpus(target.Name);
    ASSERT_FALSE(corpus.empty()) << target.Name;
    std::mt19937 random(20240611);
    for (const std::string& input : corpus) {
      target.Run(reinterpret_cast<const uint8_t*>(input.data()), input.size());
      for (int i = 0; i < 300; ++i) {
        const std::string mutant = Mutate(input, random);
        target.Run(reinterpret_cast<const uint8_t*>(mutant.data()), mutant.size());
      }
    }
  }
}

}  // namespace
