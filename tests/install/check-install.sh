#!/usr/bin/env bash
# Checks an installed qxscsi the way a host's build meets it.
#   check-install.sh prefix|deb SOURCE BUILD VERSION SCRATCH
# installs BUILD with `cmake --install` into SCRATCH/prefix, or makes its Debian package with cpack
# and unpacks it into SCRATCH/root; then checks the libraries (SONAME links, no RUNPATH into the
# build or source tree), headers, tool, manual page and version, and builds the example host
# program (SOURCE/examples) against them with find_package only and with pkg-config only, each
# run on paths that name no device. With QXSCSI_PYTHON=ON, the Python module is checked too: the
# system's python3 runs the Python example on it.
set -euo pipefail

mode=$1 source=$2 build=$3 version=$4 scratch=$5
major=${version%%.*}
rm -rf "$scratch"
mkdir -p "$scratch"

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

case $mode in
    prefix)
        prefix=$scratch/prefix
        cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" ||
            { cat "$scratch/install.log"; fail "cmake --install"; }
        sysroot=
        ;;
    deb)
        (cd "$scratch" && cpack --config "$build/CPackConfig.cmake" -B "$scratch/deb" \
            >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack"; }
        arch=$(dpkg --print-architecture)
        deb=$scratch/deb/qxscsi_${version}_${arch}.deb
        [ -f "$deb" ] || { ls "$scratch/deb"; fail "no package named $(basename "$deb")"; }
        echo "package: $(basename "$deb")"
        dpkg-deb --field "$deb" Package Version Architecture Depends
        [ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "package version"
        dpkg-deb --field "$deb" Depends | grep -q 'libiscsi' ||
            fail "the package does not depend on libiscsi"
        [ "${QXSCSI_PYTHON:-OFF}" != ON ] || dpkg-deb --field "$deb" Depends | grep -q 'python3 (' ||
            fail "the package does not depend on python3"
        dpkg -x "$deb" "$scratch/root"
        sysroot=$scratch/root
        prefix=$sysroot/usr
        ;;
    *) fail "unknown mode $mode (prefix, deb)" ;;
esac

# ---- what is installed ----
libdir=$(dirname "$(find "$prefix" -name "libqxscsi.so.$version" -print -quit)")
[ -d "$libdir" ] || fail "libqxscsi.so.$version not installed under $prefix"
for lib in qxscsi OZScsi JWError; do
    real=$libdir/lib$lib.so.$version
    [ -f "$real" ] || fail "$real missing"
    [ "$(readlink "$libdir/lib$lib.so.$major")" = "lib$lib.so.$version" ] ||
        fail "lib$lib.so.$major does not link to lib$lib.so.$version"
    [ "$(readlink "$libdir/lib$lib.so")" = "lib$lib.so.$major" ] ||
        fail "lib$lib.so does not link to lib$lib.so.$major"
    readelf -d "$real" | grep -q "Library soname: \[lib$lib.so.$major\]" ||
        fail "lib$lib.so.$version has no SONAME lib$lib.so.$major"
done
for header in qxscsi/qxscsi.h qxscsi/version.h qxscsi/QXNTSpti.h qxscsi/QXScsiHardDisk.h \
    qxscsi/QXScsiFlat.h qxscsi/QXScsiTapeDrive.h qxscsi/QXScsiText.h platform/OZScsi.h platform/JWS2BaseError.h \
    platform/QxException.h; do
    [ -f "$prefix/include/$header" ] || fail "header $header missing"
done
grep -q "QXSCSI_VERSION_STRING \"$version\"" "$prefix/include/qxscsi/version.h" ||
    fail "version.h does not say $version"
grep -q "PACKAGE_VERSION \"$version\"" "$libdir/cmake/qxscsi/qxscsiConfigVersion.cmake" ||
    fail "the CMake package is not of version $version"
[ -x "$prefix/bin/qxscsi" ] || fail "the qxscsi tool is missing"
[ "$("$prefix/bin/qxscsi" --version)" = "qxscsi $version" ] || fail "qxscsi --version"
zcat "$prefix/share/man/man1/qxscsi.1.gz" | grep -q "^\.TH QXSCSI 1 .*\"qxscsi $version\"" ||
    fail "the manual page share/man/man1/qxscsi.1.gz is missing or not of version $version"
# Only the tool is a program; nothing of the tests, benchmarks or fuzz targets came along.
strays=$(find "$prefix" -type f \( -perm -u+x -o -iname '*test*' -o -iname '*bench*' \
    -o -iname '*fuzz*' \) ! -name 'lib*.so.*' ! -path '*/bin/qxscsi' \
    ! -path '*/dist-packages/qxscsi.cpython-*.so' | sort)
[ -z "$strays" ] || fail "unexpected files installed: $strays"
for elf in "$prefix/bin/qxscsi" "$libdir"/lib*.so."$version" \
    "$prefix"/lib/python3/dist-packages/qxscsi.cpython-*.so; do
    [ -e "$elf" ] || continue
    paths=$(readelf -d "$elf" | sed -n 's/.*(R\(UN\)\?PATH).*\[\(.*\)\]/\2/p')
    case $paths in
        *"$build"* | *"$source"*) fail "$elf searches the build tree: $paths" ;;
    esac
done
echo "installed: $(find "$prefix" -type f | wc -l) files under $prefix, RUNPATHs clean"

# ---- a host's builds against it ----
# The example's output on paths that name no device, with the exit status of a failed step.
check_example() {
    local program=$1 how=$2 out rc=0
    out=$("$program" /dev/qxscsi-no-such-disk /dev/qxscsi-no-such-tape 2>&1) || rc=$?
    echo "$out" | sed "s/^/    [$how] /"
    [ $rc -eq 1 ] || fail "$how: exit status $rc, not 1"
    local want
    for want in "qxscsi $version" \
        "disk /dev/qxscsi-no-such-disk: forced reserve failed, code 45001" \
        "tape /dev/qxscsi-no-such-tape: cannot open: " \
        "log (host 1, level 1): Scsi pass-thru instantiation failed"; do
        grep -qF -- "$want" <<<"$out" || fail "$how: no \"$want\" in its output"
    done
    # The program runs on the installed libraries, not on the build tree's.
    ldd "$program" | grep 'libqxscsi' | grep -qF "$libdir/" ||
        fail "$how: not linked to $libdir: $(ldd "$program" | grep libqxscsi)"
}

# With find_package only: the package is found through CMAKE_PREFIX_PATH, and must be ours.
cmake -S "$source/examples" -B "$scratch/cmake-consumer" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >"$scratch/consumer.log" 2>&1 ||
    { cat "$scratch/consumer.log"; fail "find_package consumer: configure"; }
found=$(sed -n 's/^qxscsi_DIR:PATH=//p' "$scratch/cmake-consumer/CMakeCache.txt")
[ "$found" = "$libdir/cmake/qxscsi" ] || fail "find_package found $found"
cmake --build "$scratch/cmake-consumer" >>"$scratch/consumer.log" 2>&1 ||
    { cat "$scratch/consumer.log"; fail "find_package consumer: build"; }
check_example "$scratch/cmake-consumer/qxscsi-take-over" find_package

# With pkg-config only, and no other search path than the installed one.
pcdir=$libdir/pkgconfig
export PKG_CONFIG_LIBDIR=$pcdir PKG_CONFIG_PATH=
[ -n "$sysroot" ] && export PKG_CONFIG_SYSROOT_DIR=$sysroot
[ "$(pkg-config --modversion qxscsi)" = "$version" ] || fail "pkg-config --modversion"
flags=$(pkg-config --cflags --libs qxscsi)
echo "pkg-config: $flags"
g++ -std=c++17 -Wall -Wextra -Werror "$source/examples/take_over.cpp" $flags \
    -o "$scratch/pkgconfig-consumer" || fail "pkg-config consumer: build"
LD_LIBRARY_PATH=$libdir check_example "$scratch/pkgconfig-consumer" pkg-config

# The tool and the demonstration are programs over the public interface: every source of theirs
# builds against the installed headers and libraries alone, and the results run.
if [ "$mode" = prefix ]; then
    for program in qxscsi demo; do
        g++ -std=c++17 -Wall -Wextra -Werror -pthread "$source/tools/$program"/*.cpp $flags \
            -o "$scratch/$program-from-prefix" || fail "tools/$program against the prefix: build"
    done
    rc=0
    out=$(LD_LIBRARY_PATH=$libdir "$scratch/qxscsi-from-prefix" pr-keys /dev/qxscsi-no-such-disk \
        2>&1) || rc=$?
    [ $rc -eq 15 ] && grep -qF "qxscsi: /dev/qxscsi-no-such-disk: " <<<"$out" ||
        fail "the tool built against the prefix: exit status $rc, $out"
    LD_LIBRARY_PATH=$libdir "$scratch/demo-from-prefix" --help | grep -q "^Usage: qxscsi-demo" ||
        fail "the demonstration built against the prefix: --help"
    echo "tools/qxscsi and tools/demo build against the prefix alone and run"
fi
# ---- the Python module, as the system's python3 meets it ----
if [ "${QXSCSI_PYTHON:-OFF}" = ON ]; then
    pydir=$prefix/lib/python3/dist-packages
    module=$(find "$pydir" -name 'qxscsi.cpython-*.so' -print -quit 2>/dev/null || true)
    [ -n "$module" ] && [ -f "$pydir/qxscsi.pyi" ] ||
        fail "the Python module or its type stubs are not installed under $pydir"
    # The package's libraries lie under the scratch root, not where the loader looks.
    py=(env PYTHONPATH="$pydir" PYTHONDONTWRITEBYTECODE=1)
    [ -n "$sysroot" ] && py+=(LD_LIBRARY_PATH="$libdir")
    [ "$("${py[@]}" /usr/bin/python3 -c 'import qxscsi; print(qxscsi.__file__)')" = "$module" ] ||
        fail "python3 does not import the installed module $module"
    rc=0
    out=$("${py[@]}" /usr/bin/python3 "$source/examples/take_over.py" /dev/qxscsi-no-such-disk \
        2>&1) || rc=$?
    echo "$out" | sed 's/^/    [python] /'
    [ $rc -eq 1 ] || fail "take_over.py: exit status $rc, not 1"
    for want in "qxscsi $version" "disk /dev/qxscsi-no-such-disk: forced reserve failed, code 45001" \
        "log (host 1, level 1): Scsi pass-thru instantiation failed"; do
        grep -qF -- "$want" <<<"$out" || fail "take_over.py: no \"$want\" in its output"
    done
fi
echo "install checks passed ($mode)"
