# Sourced by scripts/test and scripts/run: configures and builds a build folder's two trees, the
# Windows binaries (<build>/win, mingw-w64) and the portable code natively (<build>/native, ASan and
# UBSan). Ninja rebuilds only what changed, so a second run costs seconds.
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
