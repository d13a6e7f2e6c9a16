// Process entry of the Windows engine (keltra-rt.exe, a GUI program): loads
// the program image from the RCDATA resource "A6F2D1FB", runs it, and always
// exits with status 0.
//
// Everything runs on one thread with a large stack (256 MB reserved, taken
// as needed), so that deeply nested subroutine calls reach the engine's own
// control-stack limit long before the native stack runs out. OLE and the
// window classes are set up on that thread, since windows and OLE objects
// belong to the thread that creates them.
#include "engine/image_key.h"
#include "engine/keltra.h"
#include "host/process.h"
#include <windows.h>
#include <ole2.h>
#include <cstdio>
#include <cstdlib>
#include <new>

enum : size_t { ENGINE_STACK_SIZE = 256u << 20 };

static const char kClass1[] = "KeltraWindow1";
static const char kClass2[] = "KeltraWindow2";

// The two window classes of program windows: a white one with byte-aligned
// client area, and one in the application-workspace colour for MDI frames.
static void RegisterWindowClasses(HINSTANCE inst) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(0x7F00));
    wc.hIcon = LoadIconA(inst, MAKEINTRESOURCEA(101));
    wc.style = CS_BYTEALIGNCLIENT | CS_DBLCLKS;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = kClass1;
    RegisterClassA(&wc);
    wc.style = CS_BYTEALIGNWINDOW | CS_DBLCLKS;
    wc.hbrBackground = (HBRUSH)(INT_PTR)(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kClass2;
    RegisterClassA(&wc);
}

// A missing or unreadable resource ends the process quietly.
static void RunProgram() {
    HRESULT ole = OleInitialize(nullptr);
    RegisterWindowClasses(GetModuleHandleA(nullptr));
    uint32_t size = 0;
    unsigned char* image =
        HostLoadResource(ResNumber(RES_RCDATA), ResText(PROGRAM_RESOURCE_NAME), &size);
    if (image) {
        UnscrambleImage(image, size);   // the loader's extra NUL after the bytes stays
        Keltra* k = new (std::nothrow) Keltra;
        if (k) {
            k->image = reinterpret_cast<char*>(image);
            k->imageSize = size;
            if (k->Prepare()) {
                k->windowClass1.Assign(kClass1);
                k->windowClass2.Assign(kClass2);
                k->programDir.Assign(HostModuleDir());
                k->Run();
            }
            delete k;
        }
        free(image);
    }
    if (SUCCEEDED(ole)) OleUninitialize();
}

static DWORD WINAPI EngineThread(void*) {
    RunProgram();
    return 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HANDLE thread = CreateThread(nullptr, ENGINE_STACK_SIZE, EngineThread, nullptr,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    } else {
        RunProgram();
    }
    fflush(stdout);
    return 0;
}
