#include "ZRProgram.h"

int main(int argc, char** argv) {
    return runClipstead(argc, argv);
}
