#include "ExportThreads.h"

#include <QThread>
#include <atomic>

namespace {

std::atomic<int> g_threads{-1};

} // namespace

int ExportThreads()
{
    const int threads = g_threads.load();
    return threads >= 0 ? threads : QThread::idealThreadCount();
}

void SetExportThreads(int threads) { g_threads = threads < 0 ? -1 : threads; }
