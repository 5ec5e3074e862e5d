// Threads of this program held inside a system call, read from /proc/self/task: how a test knows
// that a worker really is stuck before it checks that nobody waits for it. A named pipe that
// nobody opens for reading holds every thread that opens it for writing inside open().
#pragma once

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/syscall.h>
#include <thread>

namespace tb::test {

// How many threads of this process are inside open() of `path` right now.
inline int threadsOpening(const std::string &path)
{
    DIR *tasks = ::opendir("/proc/self/task");
    if (!tasks)
        return 0;
    int held = 0;
    while (const dirent *task = ::readdir(tasks)) {
        if (task->d_name[0] == '.')
            continue;
        // "number arg1 arg2 ... sp pc" while inside a call; "running" or "-1 sp pc" otherwise.
        std::ifstream in(std::string("/proc/self/task/") + task->d_name + "/syscall");
        std::string line;
        if (!std::getline(in, line))
            continue;
        std::istringstream fields(line);
        long number = -1;
        std::string arg1, arg2;
        if (!(fields >> number >> arg1 >> arg2))
            continue;
        std::string name;
        if (number == SYS_openat)
            name = arg2;
#ifdef SYS_open
        else if (number == SYS_open)
            name = arg1;
#endif
        if (name.empty())
            continue;
        // The name lives in this process and stays put while its thread is held in the call.
        const auto *text = reinterpret_cast<const char *>(std::strtoull(name.c_str(), nullptr, 16));
        if (text && path == text)
            ++held;
    }
    ::closedir(tasks);
    return held;
}

// Waits until `count` threads are held opening `path`; false when they are not after a long
// while (a guard against a hang, not a measure of speed).
inline bool waitForThreadsOpening(const std::string &path, int count = 1, int guardSeconds = 120)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(guardSeconds);
    while (threadsOpening(path) < count) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace tb::test
