# Installs the Debian packages the build and tests need, only those missing (sourced by ./run, ./test).
PELMOR_PACKAGES=(
    cmake ninja-build g++ clang libclang-rt-14-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev libpng-dev zlib1g-dev libdeflate-dev libspng-dev libstb-dev
    libpixman-1-dev pkg-config
    g++-mingw-w64-x86-64-posix libz-mingw-w64
    wine wine64 fonts-wine
    xvfb xdotool x11-utils imagemagick fonts-wqy-microhei python3 python3-cryptography nsis curl
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
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    # shellcheck disable=SC2086
    $sudo apt-get install -y -qq --no-install-recommends $missing </dev/null
}

pelmor_configure_build() {
    local root=$1 tree=$2
    local jobs
    jobs=$(nproc 2>/dev/null || echo 2)
    # Line tables are enough for the sanitizers' and debuggers' stacks and cost a fifth less to build
    # than full debug information.
    local lines=(-DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG")
    case "$tree" in
        native)
            [ -f "$root/build/native/build.ninja" ] ||
                cmake -S "$root" -B "$root/build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${lines[@]}"
            cmake --build "$root/build/native" -j "$jobs"
            ;;
        win)
            # A tree configured for another architecture (the old 32-bit one) is made again.
            grep -qs '^PELMOR_WIN_ARCH:STRING=x86_64$' "$root/build/win/CMakeCache.txt" || rm -rf "$root/build/win"
            [ -f "$root/build/win/build.ninja" ] ||
                cmake -S "$root" -B "$root/build/win" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${lines[@]}" \
                    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw.cmake"
            cmake --build "$root/build/win" -j "$jobs"
            ;;
        fuzz)
            # clang for libFuzzer; only the fuzz targets are built in this tree.
            [ -f "$root/build/fuzz/build.ninja" ] ||
                CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${lines[@]}"
            cmake --build "$root/build/fuzz" -j "$jobs" --target fuzz_all
            ;;
    esac
}
