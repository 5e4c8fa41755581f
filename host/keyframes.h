// Parameter values over time: a value of each kind, keyframes, and the value a parameter has at a given time.
//
// Times are the host's (value, scale) pairs. Between two keyframes the value is interpolated linearly:
//   fraction = (t - t0) / (t1 - t0), in double; when t, t0 and t1 share one scale the differences are taken in
//   integers first, otherwise each time is turned into seconds (value / scale, in double) before subtracting.
//   float slider: v0 + (v1 - v0) * fraction, in double.
//   integer slider, fixed slider (16.16, e.g. percent) and angle: the same in double, then rounded to the nearest
//   integer with halves away from zero (floor(x + 0.5) for x >= 0, -floor(-x + 0.5) below), kept in int32 range.
//   popup, checkbox, colour and anything else: the previous keyframe's value holds until the next keyframe.
// Before the first keyframe the first keyframe's value applies, after the last the last one's. Without keyframes
// the parameter has its static value. Every operation above is a single IEEE double operation, so results are the
// same in every build.
#pragma once

#include <cstdint>
#include <vector>

#include "ae_effect.h"

namespace pwhost {

// One value, in the field its parameter kind uses.
struct ParamValue {
    enum class Kind { Number, Integer, Color };
    Kind kind = Kind::Integer;
    double number = 0;    // float slider
    int32_t integer = 0;  // integer slider, fixed slider and angle (16.16), popup (1-based), checkbox
    PF_Pixel color{};     // colour

    static ParamValue Number(double v);
    static ParamValue Integer(int32_t v);
    static ParamValue Fixed(PF_Fixed v) { return Integer(v); }
    // A percent slider's 16.16 value for `percent` (50 gives 50 << 16), rounded to the nearest step.
    static ParamValue Percent(double percent);
    static ParamValue Color(A_u_char alpha, A_u_char red, A_u_char green, A_u_char blue);
    bool operator==(const ParamValue& o) const;
    bool operator!=(const ParamValue& o) const { return !(*this == o); }
};

// The kind of value a parameter type carries, and whether values of that type are interpolated between keys.
ParamValue::Kind KindOf(PF_ParamType type);
bool Interpolates(PF_ParamType type);

// The value part of a definition, and writing one back into it. Types without a value read as Integer 0 and are
// left alone on writing.
ParamValue ReadValue(const PF_ParamDef& def);
void WriteValue(const ParamValue& value, PF_ParamDef& def);

// -1, 0 or 1 as a is before, at or after b, compared exactly.
int CompareTimes(A_Time a, A_Time b);

struct Keyframe {
    A_Time time;
    ParamValue value;
};

// One parameter's value over time.
class ParamTrack {
public:
    explicit ParamTrack(PF_ParamType type = PF_Param_RESERVED, ParamValue value = {}) : type_(type), static_(value) {}

    PF_ParamType Type() const { return type_; }
    const ParamValue& StaticValue() const { return static_; }
    const std::vector<Keyframe>& Keys() const { return keys_; }

    // Both return whether anything changed.
    bool SetStatic(const ParamValue& value);
    // Sorted by time; of two keys at the same time the later one in the list stays.
    bool SetKeys(std::vector<Keyframe> keys);

    ParamValue ValueAt(A_Time time) const;

private:
    PF_ParamType type_;
    ParamValue static_;
    std::vector<Keyframe> keys_;
};

}  // namespace pwhost
