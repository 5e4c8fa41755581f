#include "schedule/third_color.h"

#include <initializer_list>

namespace pw {

void DeriveThirdColor(PF_Pixel8& c1, PF_Pixel8& c2, PF_Pixel8& c3)
{
    const int redSum = c1.red + c2.red;
    const int greenSum = c1.green + c2.green;
    const int blueSum = c1.blue + c2.blue;
    int d = redSum;
    if (greenSum > d) d = greenSum;
    if (blueSum > d) d = blueSum;

    if (d > 255) {
        for (PF_Pixel8* c : {&c1, &c2}) {
            c->red = static_cast<A_u_char>(c->red * 255 / d);
            c->green = static_cast<A_u_char>(c->green * 255 / d);
            c->blue = static_cast<A_u_char>(c->blue * 255 / d);
        }
    }
    c3.red = static_cast<A_u_char>(255 - c1.red - c2.red);
    c3.green = static_cast<A_u_char>(255 - c1.green - c2.green);
    c3.blue = static_cast<A_u_char>(255 - c1.blue - c2.blue);
    c1.alpha = 255;
    c2.alpha = 255;
    c3.alpha = 255;
}

}  // namespace pw
