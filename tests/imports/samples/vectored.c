/* AddVectoredExceptionHandler came with XP; the headers do not guard it. */
#include <windows.h>

static LONG CALLBACK Handler(PEXCEPTION_POINTERS pointers) {
    (void)pointers;
    return EXCEPTION_CONTINUE_SEARCH;
}

int main(void) { return AddVectoredExceptionHandler(1, Handler) != NULL; }
