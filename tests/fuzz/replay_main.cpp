// Without libFuzzer (the g++ test build) each fuzz target is a replay program: it feeds every
// file of the seed folders given on the command line to the target, then inputs made from them
// (every prefix, single-byte changes, spliced halves) and some random ones. The generator is
// seeded, so a failure repeats.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;

void feed(const Bytes& input) {
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
}

} // namespace

int main(int argc, char** argv) {
    std::vector<Bytes> seeds;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(argv[i], ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[i], ec))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else {
            files.emplace_back(argv[i]);
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "cannot read %s\n", file.c_str());
                return 2;
            }
            seeds.emplace_back(std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>());
        }
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER_OR_FILE...\n", argv[0]);
        return 2;
    }

    std::mt19937 random(20261211);
    auto byte = [&] { return static_cast<std::uint8_t>(random() & 0xFF); };
    std::size_t runs = 0;
    for (const Bytes& seed : seeds) {
        feed(seed);
        for (std::size_t cut = 0; cut < seed.size() && cut < 1024; ++cut, ++runs)
            feed(Bytes(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(cut)));
        for (int i = 0; i < 300 && !seed.empty(); ++i, ++runs) {
            Bytes changed = seed;
            int edits = 1 + static_cast<int>(random() % 4);
            for (int e = 0; e < edits; ++e) {
                std::size_t at = random() % changed.size();
                switch (random() % 4) {
                case 0:
                    changed[at] = byte();
                    break;
                case 1:
                    changed[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
                    break;
                case 2:
                    changed.insert(changed.begin() + static_cast<std::ptrdiff_t>(at), byte());
                    break;
                default:
                    if (changed.size() > 1)
                        changed.erase(changed.begin() + static_cast<std::ptrdiff_t>(at));
                }
            }
            feed(changed);
        }
        for (const Bytes& other : seeds) {
            Bytes spliced(seed.begin(),
                          seed.begin() + static_cast<std::ptrdiff_t>(seed.size() / 2));
            spliced.insert(spliced.end(),
                           other.begin() + static_cast<std::ptrdiff_t>(other.size() / 2),
                           other.end());
            feed(spliced);
            ++runs;
        }
    }
    for (int i = 0; i < 2000; ++i, ++runs) {
        Bytes input(random() % 300);
        for (auto& b : input)
            b = byte();
        feed(input);
    }
    std::printf("%zu seeds, %zu generated inputs: no failure\n", seeds.size(), runs);
    return 0;
}
