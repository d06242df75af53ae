// A short fuzzing run without libFuzzer, for the test suite's native build:
// every file of the target's seed corpus, then mutations of them (bytes
// flipped, set, inserted, removed, runs cut out) for the given number of
// seconds, from a fixed seed so a failure repeats.  A target that no longer
// agrees with its code stops here (its checks abort) instead of waiting for
// the next long run of scripts/fuzz.
//
//     fuzz_NAME CORPUS_FOLDER [SECONDS]
#include <dirent.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

uint64_t state = 0x9E3779B97F4A7C15u;
uint64_t next_random() {  // xorshift64*
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1Du;
}
size_t below(size_t n) { return n ? static_cast<size_t>(next_random() % n) : 0; }

std::vector<uint8_t> mutate(std::vector<uint8_t> input) {
    const int edits = 1 + static_cast<int>(below(8));
    for (int e = 0; e < edits; ++e) {
        const size_t at = below(input.size() + 1);
        switch (below(5)) {
            case 0:
                if (at < input.size()) input[at] ^= static_cast<uint8_t>(1u << below(8));
                break;
            case 1:
                if (at < input.size()) input[at] = static_cast<uint8_t>(next_random());
                break;
            case 2:
                if (input.size() < 1 << 20) input.insert(input.begin() + static_cast<ptrdiff_t>(at), static_cast<uint8_t>(next_random()));
                break;
            case 3:
                if (at < input.size()) input.erase(input.begin() + static_cast<ptrdiff_t>(at));
                break;
            default:
                if (at < input.size()) {
                    const size_t end = at + below(input.size() - at + 1);
                    input.erase(input.begin() + static_cast<ptrdiff_t>(at), input.begin() + static_cast<ptrdiff_t>(end));
                }
        }
    }
    return input;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER [SECONDS]\n", argv[0]);
        return 2;
    }
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    const double seconds = argc > 2 ? std::atof(argv[2]) : 2.0;

    std::vector<std::vector<uint8_t>> corpus;
    if (DIR* folder = opendir(argv[1])) {
        while (dirent* entry = readdir(folder)) {
            if (entry->d_name[0] == '.') continue;
            std::ifstream file(std::string(argv[1]) + "/" + entry->d_name, std::ios::binary);
            corpus.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        closedir(folder);
    }
    if (corpus.empty()) corpus.emplace_back();
    for (const auto& input : corpus) LLVMFuzzerTestOneInput(input.data(), input.size());

    using clock = std::chrono::steady_clock;
    const auto end = clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0;
    while (clock::now() < end) {
        const std::vector<uint8_t> input = mutate(corpus[below(corpus.size())]);
        LLVMFuzzerTestOneInput(input.data(), input.size());
        ++runs;
    }
    std::printf("%s: %zu seeds, %ld mutations\n", argv[0], corpus.size(), runs);
    return 0;
}
