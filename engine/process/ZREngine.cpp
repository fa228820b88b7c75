#include "engine/process/ZREngine.h"

ZREngine& zrEngine() {
    static ZREngine engine;
    return engine;
}

void ZREngine::freeTables() {
    for (ZRNameTable* table : {&categories, &importKinds, &exportKinds, &fontKinds, &fontNames,
                               &transitionNames, &videoEffectNames, &engineNames})
        table->reset();
    parts = 0;
    namedParts = 0;
}
