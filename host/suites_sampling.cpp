// "PF Sampling8 Suite", "PF Sampling16 Suite" and "PF SamplingFloat Suite" 1: nearest-neighbour sampling. The
// subpixel and area samplers are not served.
#include "host/state.h"
#include "host/suites.h"
#include "host/world_ops.h"

namespace pwhost {
namespace {

template <class Pixel>
PF_Err Sample(const char* op, PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y, const PF_SampPB* params, Pixel* dst)
{
    return Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](HostState& s) -> PF_Err {
        s.log.Add(op, [&] { return std::to_string(x) + " " + std::to_string(y) + " " +
                          (params ? s.WorldName(params->src) : std::string("(no sampling block)")); });
        if (const auto code = s.faults.Hit(op)) return *code;
        if (!s.IsOurEffect(effect_ref, op)) return PF_Err_BAD_CALLBACK_PARAM;
        return NnSample(s, op, x, y, params, dst);
    });
}

}  // namespace
}  // namespace pwhost

extern "C" {

static PF_Err PF_CDECL pwhost_nn_sample(PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y, const PF_SampPB* params,
                                        PF_Pixel* dst)
{
    return pwhost::Sample("nn_sample", effect_ref, x, y, params, dst);
}

static PF_Err PF_CDECL pwhost_nn_sample16(PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y, const PF_SampPB* params,
                                          PF_Pixel16* dst)
{
    return pwhost::Sample("nn_sample16", effect_ref, x, y, params, dst);
}

static PF_Err PF_CDECL pwhost_nn_sample_float(PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y, const PF_SampPB* params,
                                              PF_PixelFloat* dst)
{
    return pwhost::Sample("nn_sample_float", effect_ref, x, y, params, dst);
}

}  // extern "C"

namespace pwhost {

void RegisterSamplingSuites(SuiteBroker& broker)
{
    static const PF_Sampling8Suite1 suite8{pwhost_nn_sample, nullptr, nullptr};
    static const PF_Sampling16Suite1 suite16{pwhost_nn_sample16, nullptr, nullptr};
    static const PF_SamplingFloatSuite1 suiteFloat{pwhost_nn_sample_float, nullptr, nullptr};
    broker.Register(kPFSampling8Suite, 1, &suite8);
    broker.Register(kPFSampling16Suite, 1, &suite16);
    broker.Register(kPFSamplingFloatSuite, 1, &suiteFloat);
}

}  // namespace pwhost
