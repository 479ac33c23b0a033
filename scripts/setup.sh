# shellcheck shell=bash
# Shared by scripts/run, scripts/test and scripts/package: installs the Debian
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
  clang-format-16 clang-tidy-16 shellcheck
  desktop-file-utils appstream dpkg-dev lintian
  gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
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
