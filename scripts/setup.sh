# shellcheck shell=bash
# Shared by scripts/run, scripts/test, scripts/fuzz and scripts/package: installs the Debian
# packages Vantorel needs when they are missing, and configures and builds one
# build folder.
# Source it; it defines functions only.

VANTOREL_PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libtag1-dev libmp3lame-dev libebur128-dev fonts-liberation fonts-dejavu-core
  libgtest-dev libgmock-dev qt6-base-private-dev
  xvfb xauth pulseaudio pulseaudio-utils
  clang-format-16 clang-tidy-16 shellcheck clang-16 libclang-rt-16-dev
  desktop-file-utils appstream dpkg-dev lintian
  gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  ffmpeg
)

vantorel_install_packages() {
  local missing=()
  local package
  for package in "${VANTOREL_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# vantorel_build BUILD_DIR BUILD_TYPE [extra cmake arguments...]
vantorel_build() {
  local build_dir=$1 build_type=$2
  shift 2
  cmake -S "$VANTOREL_ROOT" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" "$@"
  cmake --build "$build_dir" --parallel "$(nproc)"
}

# The libFuzzer targets of tests/fuzz, a project of their own built with clang.
VANTOREL_FUZZ_DIR=${VANTOREL_FUZZ_DIR:-$VANTOREL_ROOT/build-fuzz}

# vantorel_fuzz_build [target...]: all targets when none is named.
vantorel_fuzz_build() {
  cmake -S "$VANTOREL_ROOT/tests/fuzz" -B "$VANTOREL_FUZZ_DIR" -G Ninja \
    -DCMAKE_CXX_COMPILER=clang++-16 >/dev/null
  local targets=()
  local name
  for name in "$@"; do targets+=(--target "fuzz_$name"); done
  cmake --build "$VANTOREL_FUZZ_DIR" --parallel "$(nproc)" "${targets[@]}"
}

# The names of the fuzz targets (fuzz_NAME from tests/fuzz/NAMEfuzz.cpp).
vantorel_fuzz_targets() {
  local source
  for source in "$VANTOREL_ROOT"/tests/fuzz/*fuzz.cpp; do
    source=${source##*/}
    echo "${source%fuzz.cpp}"
  done
}

# vantorel_fuzz_run NAME SECONDS: fails on any report (crash, sanitizer, leak,
# an input slower than 10 s). The committed seeds are read; what the run finds
# is kept in the build folder for the next run.
vantorel_fuzz_run() {
  local name=$1 seconds=$2
  local corpus=$VANTOREL_FUZZ_DIR/corpus/$name artifacts=$VANTOREL_FUZZ_DIR/artifacts/$name
  mkdir -p "$corpus" "$artifacts"
  local seeds=()
  [ -d "$VANTOREL_ROOT/tests/fuzz/corpus/$name" ] && seeds+=("$VANTOREL_ROOT/tests/fuzz/corpus/$name")
  # The skin the program ships is the skin parser's seed, read where it lies.
  if [ "$name" = skindocument ]; then cp "$VANTOREL_ROOT/resources/mp3enc.dll" "$corpus/shipped.skin"; fi
  # Reports name the source lines when the symbolizer is there.
  local symbolizer=/usr/lib/llvm-16/bin/llvm-symbolizer
  [ -x "$symbolizer" ] || symbolizer=""
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ASAN_SYMBOLIZER_PATH=$symbolizer QT_QPA_PLATFORM=offscreen \
    "$VANTOREL_FUZZ_DIR/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}"
}
