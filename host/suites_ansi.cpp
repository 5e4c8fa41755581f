// The ANSI routines, served both as "PF ANSI Suite" 1 and embedded in PF_UtilCallbacks.
//
// sprintf is the plain routine: it is not told how big its destination is. When the destination lies in the
// running command's return_msg, though, the host knows the room left and writes no further; a text that would
// not fit is cut short there and recorded as a violation. Anywhere else it writes like the standard sprintf.
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/slot.h"
#include "host/state.h"
#include "host/suites.h"

namespace pwhost {
namespace {

std::string Number(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// Math routines cannot fail; they are logged when a host is active and computed either way.
double Math1(const char* op, double (*fn)(double), double x)
{
    if (HostState* s = ActiveState()) {
        try {
            s->log.Add(op, [&] { return Number(x); });
        } catch (...) {
        }
    }
    return fn(x);
}

double Math2(const char* op, double (*fn)(double, double), double x, double y)
{
    if (HostState* s = ActiveState()) {
        try {
            s->log.Add(op, [&] { return Number(x) + " " + Number(y); });
        } catch (...) {
        }
    }
    return fn(x, y);
}

// Bytes left in return_msg from `dst` on, or 0 when `dst` is not inside it.
std::size_t RoomInReturnMessage(const HostState* s, const char* dst)
{
    if (!s || !s->currentOut) return 0;
    const auto begin = reinterpret_cast<std::uintptr_t>(s->currentOut->return_msg);
    const auto end = begin + sizeof s->currentOut->return_msg;
    const auto at = reinterpret_cast<std::uintptr_t>(dst);
    return at >= begin && at < end ? static_cast<std::size_t>(end - at) : 0;
}

int FormatInto(char* dst, const char* format, va_list args)
{
    HostState* s = ActiveState();
    if (s) {
        try {
            s->log.Add("sprintf", [&] { return Escape(format); });
        } catch (...) {
        }
    }
    if (!dst || !format) {
        if (s) s->Violation("sprintf with a null destination or format");
        return -1;
    }
    const std::size_t room = RoomInReturnMessage(s, dst);
    if (!room) return std::vsprintf(dst, format, args);
    const int needed = std::vsnprintf(dst, room, format, args);
    if (needed >= 0 && static_cast<std::size_t>(needed) >= room) {
        s->Violation("sprintf needs " + std::to_string(needed + 1) + " bytes in return_msg, " +
                     std::to_string(room) + " left");
        return static_cast<int>(room - 1);
    }
    return needed;
}

char* CopyInto(char* dst, const char* src)
{
    HostState* s = ActiveState();
    if (s) {
        try {
            s->log.Add("strcpy", [&] { return Escape(src); });
        } catch (...) {
        }
    }
    if (!dst || !src) {
        if (s) s->Violation("strcpy with a null destination or source");
        return dst;
    }
    const std::size_t room = RoomInReturnMessage(s, dst);
    const std::size_t length = std::strlen(src);
    if (room && length >= room) {
        s->Violation("strcpy needs " + std::to_string(length + 1) + " bytes in return_msg, " +
                     std::to_string(room) + " left");
        std::memcpy(dst, src, room - 1);
        dst[room - 1] = '\0';
        return dst;
    }
    return std::strcpy(dst, src);
}

}  // namespace
}  // namespace pwhost

extern "C" {

#define PWHOST_MATH1(fn) \
    static double PF_CDECL pwhost_##fn(double x) { return pwhost::Math1(#fn, [](double v) { return std::fn(v); }, x); }
#define PWHOST_MATH2(fn)                                                                           \
    static double PF_CDECL pwhost_##fn(double x, double y)                                         \
    {                                                                                              \
        return pwhost::Math2(#fn, [](double a, double b) { return std::fn(a, b); }, x, y);         \
    }

PWHOST_MATH1(atan)
PWHOST_MATH2(atan2)
PWHOST_MATH1(ceil)
PWHOST_MATH1(cos)
PWHOST_MATH1(exp)
PWHOST_MATH1(fabs)
PWHOST_MATH1(floor)
PWHOST_MATH2(fmod)
PWHOST_MATH2(hypot)
PWHOST_MATH1(log)
PWHOST_MATH1(log10)
PWHOST_MATH2(pow)
PWHOST_MATH1(sin)
PWHOST_MATH1(sqrt)
PWHOST_MATH1(tan)
PWHOST_MATH1(asin)
PWHOST_MATH1(acos)
#undef PWHOST_MATH1
#undef PWHOST_MATH2

static int PF_CDECL pwhost_sprintf(char* dst, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int written = pwhost::FormatInto(dst, format, args);
    va_end(args);
    return written;
}

static char* PF_CDECL pwhost_strcpy(char* dst, const char* src) { return pwhost::CopyInto(dst, src); }

}  // extern "C"

namespace pwhost {
namespace {

// The suite and the embedded table list the same routines in the same order.
template <class Table>
void FillAnsi(Table& t)
{
    SetSlot(t.atan, pwhost_atan);
    SetSlot(t.atan2, pwhost_atan2);
    SetSlot(t.ceil, pwhost_ceil);
    SetSlot(t.cos, pwhost_cos);
    SetSlot(t.exp, pwhost_exp);
    SetSlot(t.fabs, pwhost_fabs);
    SetSlot(t.floor, pwhost_floor);
    SetSlot(t.fmod, pwhost_fmod);
    SetSlot(t.hypot, pwhost_hypot);
    SetSlot(t.log, pwhost_log);
    SetSlot(t.log10, pwhost_log10);
    SetSlot(t.pow, pwhost_pow);
    SetSlot(t.sin, pwhost_sin);
    SetSlot(t.sqrt, pwhost_sqrt);
    SetSlot(t.tan, pwhost_tan);
    SetSlot(t.sprintf, pwhost_sprintf);
    SetSlot(t.strcpy, pwhost_strcpy);
    SetSlot(t.asin, pwhost_asin);
    SetSlot(t.acos, pwhost_acos);
}

PF_ANSICallbacksSuite1 MakeAnsiSuite1()
{
    PF_ANSICallbacksSuite1 suite{};
    FillAnsi(suite);
    return suite;
}

}  // namespace

PF_ANSICallbacks MakeAnsiCallbacks()
{
    PF_ANSICallbacks ansi{};
    FillAnsi(ansi);
    return ansi;
}

void RegisterAnsiSuite(SuiteBroker& broker)
{
    static const PF_ANSICallbacksSuite1 suite1 = MakeAnsiSuite1();
    broker.Register(kPFANSISuite, 1, &suite1);
}

}  // namespace pwhost
