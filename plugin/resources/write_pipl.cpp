// Writes the generated registration record as a file beside the Linux module, which has no resource section.
#include <cstdio>

static const unsigned char kRecord[] = {
#include "pulsewarper_pipl.inc"
};

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(kRecord, 1, sizeof kRecord, out) != sizeof kRecord || std::fclose(out) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
