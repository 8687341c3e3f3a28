// benchdiscovery: times AutoCAD discovery as a logged or silent run makes it (the other build's view
// included) against one raw walk of each registry view that is really there, in one process and
// side by side, so that no process start blurs the figures.
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
        inventory.FindReleases(registry, environment, state::AcadInventory::OtherBuildView::Search);
        const double programMs = Now() - start;

        const double floorStart = Now();
        // The program's own view, and the other one where it exists: for a 64-bit program the 32-bit
        // node, for a 32-bit one under WOW64 the 64-bit view (its node is its own view again there,
        // and a 32-bit Windows has no other).
        bench::WalkKeys(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk\\AutoCAD");
#ifdef _WIN64
        bench::WalkKeys(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD");
#else
        if (registry.SystemBitness() == 64)
            bench::WalkKeys(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk\\AutoCAD", KEY_WOW64_64KEY);
#endif
        const double floorMs = Now() - floorStart;

        std::size_t found = 0;
        for (const auto& locations : inventory.acadLocations)
            found += locations.size();
        std::printf("program %.1f floor %.1f found %u\n", programMs, floorMs, static_cast<unsigned>(found));
    }
    return 0;
}
