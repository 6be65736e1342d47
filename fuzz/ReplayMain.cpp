// Replays fuzz inputs without libFuzzer: each argument is a file or a folder of files, and each
// file is handed once to the target's LLVMFuzzerTestOneInput. The normal build links every fuzz
// target with this, so the test run replays the corpora and an input that once crashed a reader
// keeps guarding against the fault. A target aborts on a broken invariant; the exit status is 1
// when an argument could not be read.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool replayFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
        return false;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bool ok = argc > 1;
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        std::filesystem::path arg(argv[i]);
        if (!std::filesystem::is_directory(arg, ec)) {
            ok = replayFile(arg) && ok;
            replayed += ok ? 1 : 0;
            continue;
        }
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(arg, ec))
            if (entry.is_regular_file()) files.push_back(entry.path());
        if (ec) {
            std::fprintf(stderr, "replay: cannot list %s: %s\n", argv[i], ec.message().c_str());
            ok = false;
        }
        for (const auto& file : files) {
            ok = replayFile(file) && ok;
            ++replayed;
        }
    }
    if (argc <= 1) std::fprintf(stderr, "usage: %s FILE|FOLDER...\n", argv[0]);
    std::printf("replayed %d inputs\n", replayed);
    return ok ? 0 : 1;
}
