#include "simulated_modules.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace tavik::test {

TSimulatedModules::TSimulatedModules() {
    static int counter = 0;
    Folder = std::filesystem::temp_directory_path() /
             ("tavik-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
}

TSimulatedModules::~TSimulatedModules() {
    std::error_code ignored;
    std::filesystem::remove_all(Folder, ignored);
}

std::vector<std::filesystem::path> TSimulatedModules::RecordFiles() const {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(Folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string TSimulatedModules::ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace tavik::test
