#include "schedule/envelope.h"

#include "schedule/portable_exp.h"

namespace pw {

double EaseCurve(double x, double length, double c)
{
    const double t = x / length;
    // For a tiny c, exp(c) - 1 keeps only a few bits (none below 1.1e-16, giving 0 / 0) and the ratio turns into
    // a staircase; the exact curve is then within c / 16 of the straight line, so take that.
    constexpr double kLinearBelow = 1e-8;
    if (c > -kLinearBelow && c < kLinearBelow) return t;
    if (t < 0.5) return (PortableExp(2.0 * c * t) - 1.0) / (PortableExp(c) - 1.0) * 0.5;
    return ((PortableExp(-c * (2.0 * t - 1.0)) - 1.0) / (PortableExp(-c) - 1.0) + 1.0) * 0.5;
}

Envelope ComputeEnvelope(double phase, double attack, double sustain, double release, double rest, double ease)
{
    Envelope result{0.0, false};
    const double sum = attack + sustain + release;
    if (sum == 0.0) return result;

    const double a = attack / sum * (1.0 - rest);
    const double s = sustain / sum * (1.0 - rest);
    const double r = release / sum * (1.0 - rest);
    if (phase < a) {
        result.envelope = EaseCurve(phase, a, ease);
        result.inAttack = true;
    } else if (phase < a + s) {
        result.envelope = 1.0;
    } else if (phase < a + s + r) {
        result.envelope = EaseCurve(r - (phase - a - s), r, ease);
    }
    // A negative phase (beats before time 0 under a falling tempo) or a NaN from a bad host value would leave
    // the range every treatment assumes.
    if (!(result.envelope >= 0.0)) result.envelope = 0.0;
    if (result.envelope > 1.0) result.envelope = 1.0;
    return result;
}

}  // namespace pw
