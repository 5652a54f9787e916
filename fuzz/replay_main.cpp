// replay_main.cpp -- runs a fuzz target over saved inputs (files, or every
// file in the directories named) without the fuzzing engine, so that the
// ordinary build and test run replays the corpus and the regressions.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  int inputs = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path path = argv[i];
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
          inputs += Replay(entry.path());
      }
    } else if (std::filesystem::exists(path)) {
      inputs += Replay(path);
    }
  }
  std::printf("replayed %d inputs\n", inputs);
  return 0;
}
