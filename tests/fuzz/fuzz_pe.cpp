// The PE resource reader on any bytes: the host finds a DLL's registration record without loading the DLL, in a
// file it did not write. An image either gives the resource or is refused with a reason.
#include <cstdio>
#include <cstdlib>

#include "host/pe_resources.h"
#include "host/pipl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> image(data, data + size);
    for (const char* type : {"PIPL", "pipl", "MANIFEST"}) {
        std::vector<uint8_t> out;
        pwhost::PeImageInfo info;
        std::string error;
        if (pwhost::ReadPeResource(image, type, 16000, 1033, out, info, error)) {
            pwhost::PiplRecord record;
            pwhost::ParsePipl(out, record, error);
        } else if (error.empty()) {
            std::fprintf(stderr, "finding: an image refused without a reason\n");
            std::abort();
        }
    }
    return 0;
}
