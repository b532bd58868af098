/* A KERNEL32 name that no header declares and no list knows. */
__declspec(dllimport) int __stdcall PloverNoSuchFunction(void);

int main(void) { return PloverNoSuchFunction(); }
