// Helper of the trace tests: a second process writing to the shared log.
//   trace_writer_helper lines <tag> <count> <ready> <go>
//       after the start signal: one scope, then <count> lines "<tag> <i> <x...>"
//       of growing length (some longer than any line buffer)
//   trace_writer_helper rounds <tag> <count> <ready> <go>
//       <count> times: waits for <go>, writes one outermost scope with the
//       line "<tag> round <i>", then releases <ready>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/trace.h"

int main(int argc, char** argv)
{
    if (argc != 6) return 200;
    std::string mode = argv[1];
    const char* tag = argv[2];
    int count = atoi(argv[3]);
    HANDLE ready = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, argv[4]);
    HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, argv[5]);
    if (ready == nullptr || go == nullptr) return 100;
    SetTraceEnable(TRUE);
    if (mode == "lines") {
        ReleaseSemaphore(ready, 1, nullptr);
        if (WaitForSingleObject(go, 60000) != WAIT_OBJECT_0) return 101;
        TraceScope scope("Writer()");
        for (int i = 0; i < count; ++i)
            Trace(scope, "%s %d %s\n", tag, i, std::string(static_cast<size_t>(i * 7 % 2500), 'x').c_str());
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        if (WaitForSingleObject(go, 60000) != WAIT_OBJECT_0) return 101;
        {
            TraceScope scope("Round()");
            Trace(scope, "%s round %d\n", tag, i);
        }
        ReleaseSemaphore(ready, 1, nullptr);
    }
    return 0;
}
