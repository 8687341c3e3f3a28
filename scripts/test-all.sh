#!/usr/bin/env bash
# Runs every test: native unit tests (also under the sanitizers), the cross-compiled tests under
# Wine against the real Win32 API, and the end-to-end scenarios of the whole wizard.
# Installs whatever is missing first; safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# Each step's header says how long the run has taken so far.
step() { echo "== $1 (at $((SECONDS / 60))m$((SECONDS % 60))s)"; }

step "Layers of the program"
bash scripts/check-layers.sh

step "Calls by path only where administrators write"
bash scripts/check-path-calls.sh

step "Problem lines that carry the Windows error"
python3 scripts/check-problem-errors.py

step "Links between the documents"
python3 scripts/check-doc-links.py

step "Native unit tests"
cmake --preset native >/dev/null
cmake --build --preset native -j2
ctest --preset native

step "Native unit tests with AddressSanitizer and UBSan"
cmake --preset native-sanitize >/dev/null
cmake --build --preset native-sanitize -j2 --target unit_tests
# One process for all cases: started once per case, as ctest does, the sanitizers' start-up alone
# took over a minute.
# The adversary sweep runs in the plain build only: under the sanitizers it alone would take minutes.
build/native-sanitize/tests/unit_tests --gtest_brief=1 --gtest_filter='-*AdversarySweep*'

step "Tests on the real Win32 API under Wine"
bash scripts/run-wine-tests.sh all

step "The whole wizard under Wine"
# Reuse the cross builds made for the Wine tests.
E2E_BUILD32=build/win32 E2E_BUILD64=build/win64 bash scripts/run-e2e.sh
step "All passed"
