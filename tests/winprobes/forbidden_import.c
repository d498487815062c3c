/* Imports KERNEL32!GetTickCount64, which Windows Server 2003 does not export: the
   import check must refuse this program and name the import. */
__declspec(dllimport) unsigned long long __stdcall GetTickCount64(void);

int main(void) { return (int)(GetTickCount64() & 1u); }
