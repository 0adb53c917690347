// A small stand-in for libFuzzer where the toolchain has none (mingw-w64):
// runs every input of the corpus folders, then mutates them at random for the
// rest of the time. No coverage guidance; the same flags and closing figure
// as libFuzzer, so that scripts/fuzz.sh runs both alike. An input that aborts
// or faults is written to <artifact_prefix>crash-<n> before the program ends.
//   DRIVER [-max_total_time=S] [-seed=N] [-artifact_prefix=P] [-print_final_stats=1] FOLDER_OR_FILE...
#include <windows.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> Current;
std::string ArtifactPrefix;

void SaveCurrent() {
    const std::string name = ArtifactPrefix + "crash-" + std::to_string(::GetCurrentProcessId());
    if (FILE* file = std::fopen(name.c_str(), "wb")) {
        std::fwrite(Current.data(), 1, Current.size(), file);
        std::fclose(file);
    }
    std::fprintf(stderr, "==%lu== ERROR: the input that failed is in %s\n", ::GetCurrentProcessId(), name.c_str());
}

void OnAbort(int) {
    SaveCurrent();
    std::_Exit(1);
}

LONG WINAPI OnFault(EXCEPTION_POINTERS* fault) {
    std::fprintf(stderr, "==%lu== ERROR: exception 0x%08lX\n", ::GetCurrentProcessId(),
                 fault->ExceptionRecord->ExceptionCode);
    SaveCurrent();
    std::_Exit(1);
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Mutate(std::vector<uint8_t>& input, std::mt19937& random) {
    const int edits = 1 + random() % 4;
    for (int i = 0; i < edits; ++i) {
        const std::size_t at = input.empty() ? 0 : random() % input.size();
        switch (random() % 5) {
        case 0: if (!input.empty()) input[at] ^= static_cast<uint8_t>(1u << random() % 8); break;
        case 1: if (!input.empty()) input[at] = static_cast<uint8_t>(random()); break;
        case 2: if (input.size() < 4096) input.insert(input.begin() + at, static_cast<uint8_t>(random())); break;
        case 3: if (!input.empty()) input.erase(input.begin() + at); break;
        case 4: {
            const uint8_t special[] = {0, 1, 2, 3, 4, 5, 7, 8, 15, 16, 0x7F, 0x80, 0xFE, 0xFF};
            if (!input.empty()) input[at] = special[random() % sizeof special];
            break;
        }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 10;
    unsigned seed = 1;
    std::vector<std::vector<uint8_t>> corpus;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-max_total_time=", 0) == 0) seconds = std::atof(arg.c_str() + 16);
        else if (arg.rfind("-seed=", 0) == 0) seed = static_cast<unsigned>(std::atol(arg.c_str() + 6));
        else if (arg.rfind("-artifact_prefix=", 0) == 0) ArtifactPrefix = arg.substr(17);
        else if (arg.rfind("-", 0) == 0) continue;  // libFuzzer flags this driver has no use for
        else if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file()) corpus.push_back(ReadFile(entry.path()));
        } else {
            corpus.push_back(ReadFile(arg));  // one input, as libFuzzer takes it
        }
    }
    std::signal(SIGABRT, OnAbort);
    ::SetUnhandledExceptionFilter(OnFault);
    if (corpus.empty()) corpus.push_back({});

    uint64_t runs = 0;
    for (const auto& input : corpus) {
        Current = input;
        LLVMFuzzerTestOneInput(Current.data(), Current.size());
        ++runs;
    }
    std::mt19937 random(seed);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        for (int batch = 0; batch < 64; ++batch) {
            Current = corpus[random() % corpus.size()];
            Mutate(Current, random);
            LLVMFuzzerTestOneInput(Current.data(), Current.size());
            ++runs;
        }
    }
    std::printf("stat::number_of_executed_units: %llu\n", static_cast<unsigned long long>(runs));
    std::printf("Done %llu runs in %.0f second(s)\n", static_cast<unsigned long long>(runs), seconds);
    return 0;
}
