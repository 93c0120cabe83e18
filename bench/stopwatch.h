// Stopwatch: elapsed wall time from the platform's high-resolution counter.
#pragma once

#include <windows.h>

class Stopwatch {
public:
    Stopwatch() { ::QueryPerformanceCounter(&start_); }

    // Microseconds since construction.
    double ElapsedMicroseconds() const {
        LARGE_INTEGER now, frequency;
        ::QueryPerformanceCounter(&now);
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - start_.QuadPart) * 1e6 /
               static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_;
};
