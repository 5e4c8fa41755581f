#include "host/keyframes.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace pwhost {
namespace {

int32_t RoundToInt32(double x)
{
    const double r = x >= 0 ? std::floor(x + 0.5) : -std::floor(-x + 0.5);
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(r);
}

double Seconds(A_Time t) { return t.scale ? static_cast<double>(t.value) / static_cast<double>(t.scale) : 0.0; }

// Where t lies between t0 and t1 (t0 < t1), as a fraction.
double Fraction(A_Time t, A_Time t0, A_Time t1)
{
    if (t.scale == t0.scale && t.scale == t1.scale) {
        const int64_t num = int64_t{t.value} - t0.value;
        const int64_t den = int64_t{t1.value} - t0.value;
        return static_cast<double>(num) / static_cast<double>(den);
    }
    const double s0 = Seconds(t0);
    return (Seconds(t) - s0) / (Seconds(t1) - s0);
}

}  // namespace

ParamValue ParamValue::Number(double v)
{
    ParamValue p;
    p.kind = Kind::Number;
    p.number = v;
    return p;
}

ParamValue ParamValue::Integer(int32_t v)
{
    ParamValue p;
    p.kind = Kind::Integer;
    p.integer = v;
    return p;
}

ParamValue ParamValue::Percent(double percent) { return Integer(RoundToInt32(percent * 65536.0)); }

ParamValue ParamValue::Color(A_u_char alpha, A_u_char red, A_u_char green, A_u_char blue)
{
    ParamValue p;
    p.kind = Kind::Color;
    p.color = PF_Pixel{alpha, red, green, blue};
    return p;
}

bool ParamValue::operator==(const ParamValue& o) const
{
    if (kind != o.kind) return false;
    switch (kind) {
    case Kind::Number: return number == o.number;
    case Kind::Integer: return integer == o.integer;
    case Kind::Color:
        return color.alpha == o.color.alpha && color.red == o.color.red && color.green == o.color.green &&
               color.blue == o.color.blue;
    }
    return false;
}

ParamValue::Kind KindOf(PF_ParamType type)
{
    switch (type) {
    case PF_Param_FLOAT_SLIDER: return ParamValue::Kind::Number;
    case PF_Param_COLOR: return ParamValue::Kind::Color;
    default: return ParamValue::Kind::Integer;
    }
}

bool Interpolates(PF_ParamType type)
{
    return type == PF_Param_FLOAT_SLIDER || type == PF_Param_SLIDER || type == PF_Param_FIX_SLIDER ||
           type == PF_Param_ANGLE;
}

ParamValue ReadValue(const PF_ParamDef& def)
{
    switch (def.param_type) {
    case PF_Param_FLOAT_SLIDER: return ParamValue::Number(def.u.fs_d.value);
    case PF_Param_SLIDER: return ParamValue::Integer(def.u.sd.value);
    case PF_Param_FIX_SLIDER: return ParamValue::Integer(def.u.fd.value);
    case PF_Param_ANGLE: return ParamValue::Integer(def.u.ad.value);
    case PF_Param_CHECKBOX: return ParamValue::Integer(def.u.bd.value);
    case PF_Param_POPUP: return ParamValue::Integer(def.u.pd.value);
    case PF_Param_COLOR: {
        const PF_Pixel c = def.u.cd.value;
        return ParamValue::Color(c.alpha, c.red, c.green, c.blue);
    }
    default: return ParamValue::Integer(0);
    }
}

void WriteValue(const ParamValue& value, PF_ParamDef& def)
{
    switch (def.param_type) {
    case PF_Param_FLOAT_SLIDER: def.u.fs_d.value = value.number; break;
    case PF_Param_SLIDER: def.u.sd.value = value.integer; break;
    case PF_Param_FIX_SLIDER: def.u.fd.value = value.integer; break;
    case PF_Param_ANGLE: def.u.ad.value = value.integer; break;
    case PF_Param_CHECKBOX: def.u.bd.value = value.integer; break;
    case PF_Param_POPUP: def.u.pd.value = value.integer; break;
    case PF_Param_COLOR: def.u.cd.value = value.color; break;
    default: break;
    }
}

int CompareTimes(A_Time a, A_Time b)
{
    // |value| < 2^31 and scale < 2^32, so each product fits in 63 bits.
    const int64_t left = int64_t{a.value} * int64_t{b.scale};
    const int64_t right = int64_t{b.value} * int64_t{a.scale};
    return left < right ? -1 : left > right ? 1 : 0;
}

bool ParamTrack::SetStatic(const ParamValue& value)
{
    if (value.kind != KindOf(type_)) throw std::invalid_argument("value of the wrong kind for this parameter");
    const bool changed = value != static_ || !keys_.empty();
    static_ = value;
    keys_.clear();
    return changed;
}

bool ParamTrack::SetKeys(std::vector<Keyframe> keys)
{
    for (const Keyframe& k : keys) {
        if (k.value.kind != KindOf(type_)) throw std::invalid_argument("keyframe of the wrong kind for this parameter");
        if (k.time.scale == 0) throw std::invalid_argument("keyframe time without a scale");
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const Keyframe& a, const Keyframe& b) { return CompareTimes(a.time, b.time) < 0; });
    std::vector<Keyframe> unique;
    for (const Keyframe& k : keys) {
        if (!unique.empty() && CompareTimes(unique.back().time, k.time) == 0)
            unique.back() = k;
        else
            unique.push_back(k);
    }
    const bool changed =
        unique.size() != keys_.size() ||
        !std::equal(unique.begin(), unique.end(), keys_.begin(), [](const Keyframe& a, const Keyframe& b) {
            return a.time.value == b.time.value && a.time.scale == b.time.scale && a.value == b.value;
        });
    keys_ = std::move(unique);
    return changed;
}

ParamValue ParamTrack::ValueAt(A_Time time) const
{
    if (keys_.empty()) return static_;
    std::size_t next = 0;  // first key after `time`
    while (next < keys_.size() && CompareTimes(keys_[next].time, time) <= 0) ++next;
    if (next == 0) return keys_.front().value;
    const Keyframe& k0 = keys_[next - 1];
    if (next == keys_.size() || !Interpolates(type_)) return k0.value;
    const Keyframe& k1 = keys_[next];
    const double f = Fraction(time, k0.time, k1.time);
    if (type_ == PF_Param_FLOAT_SLIDER) return ParamValue::Number(k0.value.number + (k1.value.number - k0.value.number) * f);
    const double v0 = k0.value.integer, v1 = k1.value.integer;
    return ParamValue::Integer(RoundToInt32(v0 + (v1 - v0) * f));
}

}  // namespace pwhost
