/* Asks KERNEL32 for GetTickCount64, which Windows XP does not have. */
#include <windows.h>

int main(void) { return (int)(GetTickCount64() & 1); }
