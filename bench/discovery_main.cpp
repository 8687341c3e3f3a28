// benchdiscovery: times the wizard's AutoCAD discovery against one raw walk of the same keys, in one
// process and side by side, so that no process start blurs the figures.
//
//   benchdiscovery [runs]     prints one line per run: "program <ms> floor <ms> found <installations>"
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "bench/raw_registry_walk.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_registry.h"
#include "state/acad_inventory.h"

namespace {

double Now() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    platform::win32::Win32Registry registry;
    platform::win32::Win32Environment environment;
    for (int run = 0; run < runs; ++run) {
        // A fresh inventory each time: discovery runs once per process and appends to its lists.
        state::AcadInventory inventory;
        const double start = Now();
        inventory.FindReleases(registry, environment);
        const double programMs = Now() - start;

        const double floorStart = Now();
        bench::WalkKeys(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD");
        bench::WalkKeys(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk\\AutoCAD");
        const double floorMs = Now() - floorStart;

        std::size_t found = 0;
        for (const auto& locations : inventory.acadLocations)
            found += locations.size();
        std::printf("program %.1f floor %.1f found %u\n", programMs, floorMs, static_cast<unsigned>(found));
    }
    return 0;
}
