// Process entry of the Linux engine (keltra-rt): loads the program image
// from the archive appended to the executable, runs it on a thread with a
// large stack, and always exits with status 0.
//
// The big stack lets deeply nested subroutine calls reach the engine's own
// control-stack limit (an error report) long before the native stack runs
// out.
#include "engine/image_key.h"
#include "engine/keltra.h"
#include "host/process.h"
#include <pthread.h>
#include <cstdio>
#include <cstdlib>
#include <new>

enum : size_t { ENGINE_STACK_SIZE = 256u << 20 };

// A missing or unreadable resource ends the process quietly. onMainThread:
// the big thread could not be made; nested calls then get a budget that
// fits the main thread's usual 8 MB.
static void RunProgram(bool onMainThread) {
    uint32_t size = 0;
    unsigned char* image =
        HostLoadResource(ResNumber(RES_RCDATA), ResText(PROGRAM_RESOURCE_NAME), &size);
    if (!image) return;
    UnscrambleImage(image, size);   // the loader's extra NUL after the bytes stays
    Keltra* k = new (std::nothrow) Keltra;
    if (k) {
        k->image = reinterpret_cast<char*>(image);
        k->imageSize = size;
        if (onMainThread) k->callStackBudget = (size_t)4 << 20;
        if (k->Prepare()) {
            k->programDir.Assign(HostModuleDir());
            k->Run();
        }
        delete k;
    }
    free(image);
}

static void* EngineThread(void*) {
    RunProgram(false);
    return nullptr;
}

int main() {
    pthread_attr_t attr;
    pthread_t thread;
    bool started = pthread_attr_init(&attr) == 0 &&
                   pthread_attr_setstacksize(&attr, ENGINE_STACK_SIZE) == 0 &&
                   pthread_create(&thread, &attr, EngineThread, nullptr) == 0;
    if (started) pthread_join(thread, nullptr);
    else RunProgram(true);
    fflush(stdout);
    fflush(stderr);
    return 0;
}
