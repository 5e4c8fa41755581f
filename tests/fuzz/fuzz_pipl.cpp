// The registration-record parser on any bytes: the host reads the record from a file it did not write, before it
// loads anything. A record either parses (and every typed view answers) or is refused with a reason.
#include <cstdio>
#include <cstdlib>

#include "host/pipl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    pwhost::PiplRecord record;
    std::string error;
    if (!pwhost::ParsePipl(bytes, record, error)) {
        if (error.empty()) {
            std::fprintf(stderr, "finding: a refused record without a reason\n");
            std::abort();
        }
        return 0;
    }
    for (const pwhost::PiplProperty& p : record.properties) {
        std::string text;
        uint32_t number = 0;
        uint16_t a = 0, b = 0;
        record.Code(p.key, text);
        record.PascalString(p.key, text);
        record.CString(p.key, text);
        record.Long(p.key, number);
        record.Shorts(p.key, a, b);
    }
    for (const char* key : {"wx86", "8664"}) {
        std::string entry;
        if (!pwhost::ValidateEffectPipl(record, key, entry, error) && error.empty()) {
            std::fprintf(stderr, "finding: an effect record refused without a reason\n");
            std::abort();
        }
    }
    return 0;
}
