/* Only what Windows 2000 already had. */
#include <windows.h>
#include <stdio.h>

int main(void) {
    HANDLE event = CreateEventA(NULL, TRUE, FALSE, NULL);
    printf("%lu\n", GetTickCount());
    CloseHandle(event);
    return 0;
}
