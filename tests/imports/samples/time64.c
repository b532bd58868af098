/* _time64 is in the msvcrt.dll of XP, not of 2000. */
#include <time.h>

int main(void) { return (int)(_time64(NULL) & 1); }
