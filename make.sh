#!/usr/bin/env bash
# Sets up, builds and runs Orvanel: ./make.sh example | test | sanitize | fuzz [SECONDS]
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ clang libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev)

# Installs whatever Debian packages the build needs and the machine lacks.
ensure_packages() {
  local missing=()
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# build DIR [cmake options...]
build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

ensure_packages
case "${1:-test}" in
  example)
    build build -DCMAKE_BUILD_TYPE=Release
    (cd examples && ../build/orvanel dune.par)
    ;;
  test)
    build build -DCMAKE_BUILD_TYPE=Release
    ctest --test-dir build --output-on-failure -j "$(nproc)"
    ;;
  sanitize)
    build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
      -DORVANEL_SANITIZE=ON -DORVANEL_WERROR=ON
    # The heavy limit tests run in the optimised build only.
    ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)" -LE heavy
    ;;
  fuzz)
    # Each fuzz target for SECONDS (default 20), starting from its checked-in corpus; what it
    # learns stays in build-fuzz/corpus, a finding in build-fuzz/ and the exit status.
    seconds=${2:-20}
    build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DORVANEL_FUZZ=ON -DORVANEL_BUILD_TESTS=OFF -DORVANEL_WERROR=ON
    for corpus in fuzz/corpus/*/; do
      target=$(basename "$corpus")
      mkdir -p "build-fuzz/corpus/$target"
      nice -n 10 "build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
        -artifact_prefix="build-fuzz/$target-" "build-fuzz/corpus/$target" "$corpus"
    done
    ;;
  *)
    echo "usage: ./make.sh example|test|sanitize|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
