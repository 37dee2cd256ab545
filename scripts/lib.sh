# Shared by the build scripts: configuring and building a tree with whichever generator
# it was made with (a new tree takes $CMAKE_GENERATOR when set, else Ninja when it is
# installed: it starts faster and keeps both cores busy to the last link).
# Extra CMake arguments come from the command line and from $BX_CMAKE_ARGS, and reach
# CMake on every configure, not only the first.

# Compilations go through ccache (the top CMakeLists.txt). Paths inside the checkout are
# hashed relative to it, and the working folder not at all, so a fresh clone elsewhere
# (a CI run) finds what an earlier build of the same sources left.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
# The precompiled headers (cmake/BuildSpeed.cmake) are cached too, and so is what is
# compiled with them: ccache hashes the headers' contents, not their times.
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}

# bx_configure TREE [CMAKE ARGS...]
bx_configure() {
  local tree=$1
  shift
  local extra=()
  # shellcheck disable=SC2206 # word splitting of the variable is intended
  [ -n "${BX_CMAKE_ARGS:-}" ] && extra=(${BX_CMAKE_ARGS})
  local type=()
  if [ ! -f "$tree/CMakeCache.txt" ]; then
    type=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
    [ -z "${CMAKE_GENERATOR:-}" ] && command -v ninja >/dev/null && type+=(-G Ninja)
  fi
  cmake -S "$root" -B "$tree" "${type[@]}" "$@" "${extra[@]}" >/dev/null
}

# bx_build TREE [TARGETS...]: builds quietly, keeping warnings and errors.
bx_build() {
  local tree=$1
  shift
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  local status
  set +e
  cmake --build "$tree" -j"$(nproc)" "${targets[@]}" 2>&1 |
    grep -vE '^\[ *[0-9]+%\]|^\[[0-9]+/[0-9]+\] |^(Consolidate|Scanning|Built target|ninja: (Entering|Leaving|no work))|^-- '
  status=${PIPESTATUS[0]}
  set -e
  return "$status"
}
