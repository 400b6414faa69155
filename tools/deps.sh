# Installs the Debian packages the build and tests need, only those missing (sourced by ./run, ./test).
PELMOR_PACKAGES=(
    cmake ninja-build g++ clang libclang-rt-14-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    g++-mingw-w64-i686 libz-mingw-w64
    wine wine32:i386 wine64
    xvfb xdotool x11-utils imagemagick fonts-wqy-microhei python3
)

pelmor_missing_packages() {
    local p status
    for p in "${PELMOR_PACKAGES[@]}"; do
        status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
        [ "$status" = "install ok installed" ] || echo "$p"
    done
}

pelmor_install_deps() {
    local missing
    missing=$(pelmor_missing_packages)
    [ -z "$missing" ] && return 0
    echo "Installing missing packages:" $missing
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    # wine32 is an i386 package; the architecture must be known before the package lists are read.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    # shellcheck disable=SC2086
    $sudo apt-get install -y -qq --no-install-recommends $missing </dev/null
}

pelmor_configure_build() {
    local root=$1 tree=$2
    local jobs
    jobs=$(nproc 2>/dev/null || echo 2)
    case "$tree" in
        native)
            [ -f "$root/build/native/build.ninja" ] ||
                cmake -S "$root" -B "$root/build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
            cmake --build "$root/build/native" -j "$jobs"
            ;;
        win)
            [ -f "$root/build/win/build.ninja" ] ||
                cmake -S "$root" -B "$root/build/win" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
                    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake"
            cmake --build "$root/build/win" -j "$jobs"
            ;;
        fuzz)
            # clang for libFuzzer; only the fuzz targets are built in this tree.
            [ -f "$root/build/fuzz/build.ninja" ] ||
                CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
            cmake --build "$root/build/fuzz" -j "$jobs" --target fuzz_all
            ;;
    esac
}
