/* strcpy_s came with the msvcrt.dll of Vista. */
#define MINGW_HAS_SECURE_API 1
#include <string.h>

int main(int argc, char **argv) {
    char copy[64];
    return strcpy_s(copy, sizeof copy, argc > 1 ? argv[1] : "") != 0;
}
