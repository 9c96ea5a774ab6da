#!/usr/bin/env bash
# Installs what ornaplex needs from Debian's packages (as root, or through sudo).
#   scripts/install-deps.sh          what a run and `ornaplex plot` need
#   scripts/install-deps.sh --test   that, plus what the tests, benchmarks, the formatting
#                                    check and MPI runs need
# Idempotent: when every package is already there it only checks and returns.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config make
  libhdf5-dev libcli11-dev libsleef-dev
  python3 python3-h5py python3-matplotlib  # `ornaplex plot` draws with them
  python3-dev pybind11-dev python3-numpy     # the Python module (build/python)
  python3-pandas python3-xarray python3-tqdm # its tables, labelled arrays and progress bar
)
if [ "${1:-}" = "--test" ]; then
  packages+=(
    libgtest-dev libgmock-dev libbenchmark-dev
    libclhep-dev                 # test-only oracle for the random-number generator
    python3-silx                 # NeXus viewer check of the output file
    clang-format git             # formatting check (git lists the files when it can)
    strace                       # fault injection in the file-writing tests
    openmpi-bin libopenmpi-dev   # spreading a run over cluster nodes
    chromium                     # the shared HTML page opened in a real browser
    python3-pytest               # the Python module's tests
    python3-nbclient python3-nbconvert python3-ipykernel  # the example notebook, run headless
  )
elif [ $# -gt 0 ]; then
  echo "usage: scripts/install-deps.sh [--test]" >&2
  exit 2
fi

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
