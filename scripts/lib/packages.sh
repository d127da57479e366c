# Sourced by scripts/run and scripts/test: installs, by Debian package name,
# whatever the build, the tests and a display-less run need and is missing.

PELAGE_PACKAGES=(
  # build, and the layering check
  cmake ninja-build g++ pkg-config python3
  # OpenGL, GLU, GLUT, the GL loader, the panel, PNG and JPEG images
  libgl-dev libglu1-mesa-dev freeglut3-dev libepoxy-dev libimgui-dev libpng-dev libjpeg-dev
  # simplified copies of large models
  libmeshoptimizer-dev
  # pelage-render's GL context without a display: EGL and Mesa's EGL driver
  libegl-dev libegl-mesa0
  # model formats other than OBJ, and the tool that writes the test models in them
  libassimp-dev assimp-utils
  # glTF with its skins and clips
  libtinygltf-dev
  # tests, benchmarks, fuzzing
  libgtest-dev clang libclang-rt-dev
  # the large model of the benchmarks (69,666 triangles)
  glmark2-data
  # windows without a display or GPU, and driving them
  xvfb xauth libgl1-mesa-dri x11-utils xdotool imagemagick
)

pelage_missing_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  echo "${missing[@]}"
}

pelage_install_packages() {
  local missing
  missing=$(pelage_missing_packages "${PELAGE_PACKAGES[@]}")
  [ -z "$missing" ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: $missing"
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

# Configures and builds one build directory: pelage_build DIR [cmake options...]
# The directory is configured afresh whenever its options differ from the ones
# it was last configured with (kept in DIR/pelage-options); the old cache goes,
# so an option left out returns to its default.
pelage_build() {
  local dir=$1
  shift
  local options="$*"
  if [ ! -f "$dir/build.ninja" ] || [ "$(cat "$dir/pelage-options" 2>/dev/null)" != "$options" ]; then
    rm -f "$dir/CMakeCache.txt"
    cmake -S "$PELAGE_ROOT" -B "$dir" -G Ninja "$@"
    printf '%s' "$options" >"$dir/pelage-options"
  fi
  cmake --build "$dir"
}
