// The entry of either server's executable, a GUI-subsystem program that never shows a window.
#include <windows.h>

#include "plimo_com_wrapper_module.h"

// None of the arguments is used: the module reads the command line itself.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    PlimoComWrapperModule& module = TheModule();
    int result = module.RunModule();
    // After COM is gone: a served run never leaves a per-user registration behind.
    if (module.cleanupAtExit()) {
        module.RemovePerUserRegistration();
    }
    return result;
}
