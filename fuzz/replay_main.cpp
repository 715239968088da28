// replay_main.cpp - runs a fuzz target over every file of the directories
// (or files) named on its command line, once each: the corpus as a plain
// regression test, without libFuzzer.
// 64-bit directory offsets: a 32-bit build (the PowerPC leg under qemu) would
// otherwise stop reading a directory whose offsets do not fit 32 bits.
#define _FILE_OFFSET_BITS 64

#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool replay_file(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<uint8_t> data;
    uint8_t chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.insert(data.end(), chunk, chunk + n);
    std::fclose(f);
    // An exact-size heap copy, so that a read past the end is caught by the sanitizers.
    auto *copy = new uint8_t[data.size() ? data.size() : 1];
    std::copy(data.begin(), data.end(), copy);
    LLVMFuzzerTestOneInput(copy, data.size());
    delete[] copy;
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        struct stat st;
        if (stat(argv[i], &st) != 0) {
            std::fprintf(stderr, "replay: cannot read %s\n", argv[i]);
            return 1;
        }
        if (!S_ISDIR(st.st_mode)) {
            files += replay_file(argv[i]);
            continue;
        }
        DIR *dir = opendir(argv[i]);
        while (dirent *e = dir ? readdir(dir) : nullptr)
            if (e->d_name[0] != '.') files += replay_file(std::string(argv[i]) + "/" + e->d_name);
        if (dir) closedir(dir);
    }
    std::printf("replayed %d inputs\n", files);
    return files > 0 ? 0 : 1;  // an empty corpus is a mistake, not a pass
}
