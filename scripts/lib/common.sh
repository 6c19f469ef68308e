# Shared by the scripts in scripts/: package installation and the CMake build.
# shellcheck shell=sh

ZELKOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# libgensio-dev: the network library of ports that a device server serves (RFC 2217).
ZELKOR_BUILD_PACKAGES="cmake g++ ninja-build qt6-base-dev qt6-tools-dev qt6-l10n-tools libgensio-dev"
# scripts/test: the device server that the tests of remote ports start on 127.0.0.1.
ZELKOR_TEST_PACKAGES="ser2net"
# scripts/fuzz: clang with libFuzzer and the sanitizer runtimes, llvm-symbolizer for the traces.
ZELKOR_FUZZ_PACKAGES="clang libclang-rt-14-dev llvm"
# The sizes of the icon's PNGs (app/icons/icon<size>.png), for the window and the desktop.
ZELKOR_ICON_SIZES="16 32 48 64 128 256"

# Installs the Debian packages given as arguments that are not installed yet.
zelkor_ensure_packages() {
    missing=""
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing="$missing $pkg"
        fi
    done
    [ -z "$missing" ] && return 0
    echo "Installing Debian packages:$missing"
    if [ "$(id -u)" -eq 0 ]; then
        sudo_cmd=""
    elif command -v sudo >/dev/null 2>&1; then
        sudo_cmd="sudo"
    else
        echo "error: packages missing ($missing) and neither root nor sudo is available" >&2
        exit 1
    fi
    $sudo_cmd apt-get update -q
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q --no-install-recommends $missing
}

# zelkor_wait_until <seconds> <interval> <command...>: runs the command every <interval> seconds
# until it succeeds; fails once <seconds> have passed without success.
zelkor_wait_until() {
    wait_limit=$1
    wait_interval=$2
    shift 2
    wait_start=$(date +%s)
    until "$@"; do
        if [ $(($(date +%s) - wait_start)) -ge "$wait_limit" ]; then
            return 1
        fi
        sleep "$wait_interval"
    done
}

# zelkor_build <build dir> [extra CMake arguments...]: configures (once) and builds the project.
zelkor_build() {
    dir=$1
    shift
    cmake -S "$ZELKOR_ROOT" -B "$dir" -G Ninja "$@"
    cmake --build "$dir" --parallel "$(nproc)"
}

# zelkor_build_program [targets...]: builds only the program, and the further targets given, as a
# release build in ZELKOR_RELEASE_DIR (build/release), and sets ZELKOR_PROGRAM to its path.
ZELKOR_RELEASE_DIR="$ZELKOR_ROOT/build/release"
zelkor_build_program() {
    cmake -S "$ZELKOR_ROOT" -B "$ZELKOR_RELEASE_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$ZELKOR_RELEASE_DIR" --parallel "$(nproc)" --target zelkor "$@"
    ZELKOR_PROGRAM="$ZELKOR_RELEASE_DIR/app/zelkor"
}

# zelkor_version <build dir>: prints the project version that build was configured with.
zelkor_version() {
    sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"
}

# zelkor_package_name: prints the file name of the Debian package that scripts/package makes in
# ZELKOR_RELEASE_DIR.
zelkor_package_name() {
    echo "zelkor_$(zelkor_version "$ZELKOR_RELEASE_DIR")_$(dpkg --print-architecture).deb"
}
