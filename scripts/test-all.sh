#!/usr/bin/env bash
# Runs every test: native unit tests (also under the sanitizers), the cross-compiled tests under
# Wine against the real Win32 API, and the end-to-end scenarios of the whole wizard.
# Installs whatever is missing first; safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

echo "== Layers of the program"
bash scripts/check-layers.sh

echo "== Native unit tests"
cmake --preset native >/dev/null
cmake --build --preset native -j2
ctest --preset native

echo "== Native unit tests with AddressSanitizer and UBSan"
cmake --preset native-sanitize >/dev/null
cmake --build --preset native-sanitize -j2 --target unit_tests
ctest --preset native-sanitize

echo "== Tests on the real Win32 API under Wine"
bash scripts/run-wine-tests.sh all

echo "== The whole wizard under Wine"
# Reuse the cross builds made for the Wine tests.
E2E_BUILD32=build/win32 E2E_BUILD64=build/win64 bash scripts/run-e2e.sh
