# Sourced by scripts/test, run, package and fuzz: configures and builds a build folder's trees, the
# Windows binaries (<build>/win, mingw-w64), the portable code natively (<build>/native, ASan and
# UBSan) and its fuzz targets (<build>/fuzz, clang and libFuzzer). Ninja rebuilds only what changed,
# so a second run costs seconds.
vx_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# vx_build_native BUILD JOBS
vx_build_native() {
  cmake -S "$vx_top" -B "$1/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$1/native" -j "$2"
}

# vx_build_win BUILD JOBS [--target NAME...]
vx_build_win() {
  cmake -S "$vx_top" -B "$1/win" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$vx_top/cmake/mingw-i686.cmake" >/dev/null
  cmake --build "$1/win" -j "$2" "${@:3}"
}

# vx_build_fuzz BUILD JOBS: the portable code with libFuzzer (clang) and the fuzz targets.
vx_build_fuzz() {
  CC=clang CXX=clang++ cmake -S "$vx_top" -B "$1/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_FUZZ=ON >/dev/null
  cmake --build "$1/fuzz" -j "$2"
}
