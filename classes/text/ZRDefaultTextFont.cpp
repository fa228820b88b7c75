#include "classes/text/ZRDefaultTextFont.h"

ZRDefaultTextFont& defaultTextFont() {
    static ZRDefaultTextFont font;
    return font;
}
