// Runs a fuzz target once on each file of the given folder, in name order, without libFuzzer,
// so that its seeds run in every test tree (the sanitizers' included). A fault the target
// finds ends the run as it ends the fuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char* argv[]) {
  if (argc != 2) return 2;
  const std::set<std::filesystem::path> inputs{std::filesystem::directory_iterator(argv[1]), {}};
  for (const auto& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    std::fprintf(stderr, "%s\n", path.filename().c_str());  // unbuffered: shown before a fault
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  return inputs.empty() ? 1 : 0;
}
