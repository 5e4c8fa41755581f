#include "schedule/union_rect.h"

namespace pw {
namespace {

bool IsEmpty(const PF_LRect& rect) { return rect.left >= rect.right || rect.top >= rect.bottom; }

}  // namespace

void UnionRect(const PF_LRect& source, PF_LRect& destination)
{
    if (IsEmpty(destination)) {
        destination = source;
        return;
    }
    if (IsEmpty(source)) return;
    if (source.left < destination.left) destination.left = source.left;
    if (source.top < destination.top) destination.top = source.top;
    if (source.right > destination.right) destination.right = source.right;
    if (source.bottom > destination.bottom) destination.bottom = source.bottom;
}

}  // namespace pw
