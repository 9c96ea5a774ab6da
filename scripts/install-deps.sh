#!/usr/bin/env bash
# Installs everything ornaplex needs to build, test and plot, from Debian's packages.
# Idempotent: when every package is already there it only checks and returns.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config make
  libhdf5-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
  libclhep-dev            # test-only oracle for the random-number generator
  python3 python3-h5py    # file checks in the tests
  python3-matplotlib      # `ornaplex plot` draws with it
  python3-silx            # NeXus viewer check of the output file in the tests
  clang-format            # formatting check in CI
  openmpi-bin libopenmpi-dev  # spreading a run over cluster nodes
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
