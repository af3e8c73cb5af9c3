#pragma once

#include <functional>

// Frees, on a worker thread, plain data the show is done with, such as the
// tree of a file just written. What it is given must be referenced by nothing
// else, and hold nothing tied to a thread (no host callback, no object with a
// thread affinity). The jobs run in order, one at a time; the worker finishes
// them all before the program ends. The heap is shared: work that allocates
// much should Wait() first rather than race the worker for it.
class CBackgroundFree
{
public:
    // `free` frees in its call, and whatever it holds is let go there too.
    // Without a worker (no thread could be started) it runs here.
    static void Run(std::function<void()> free);
    // Returns once every job given so far is done.
    static void Wait();
};
