#include "app/ZRProgram.h"

int main(int argc, char** argv) {
    return clipsteadMain(argc, argv);
}
