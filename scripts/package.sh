#!/usr/bin/env bash
# Builds the Debian package from the working tree with Debian's own tools
# (dpkg-buildpackage, dependencies by dh_shlibdeps) and checks it with lintian, which must
# report no errors. The package, its .changes and lintian's report land in build-deb/.
# The test suite is not part of the package build: scripts/test.sh runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh debhelper dpkg-dev fakeroot lintian

out=build-deb
version=$(dpkg-parsechangelog -l debian/changelog -S Version)
src="$out/veltra-$version"
rm -rf "$out"
mkdir -p "$src"
# A clean copy of the tree as git sees it (tracked and new files, nothing ignored), so no
# build folder travels into the package build and the results stay inside build-deb/.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar --null -T - -cf - | tar -xf - -C "$src"
else
  tar --exclude='./build*' --exclude=./.git -cf - . | tar -xf - -C "$src"
fi

# debhelper gives the build a home folder of its own, where a compiler cache would start
# empty every time; the user's own cache serves it instead, with paths taken relative to the
# copied tree so a copy in another folder still finds its objects.
if command -v ccache >/dev/null; then
  CCACHE_DIR="${CCACHE_DIR:-$(ccache -k cache_dir)}"
  export CCACHE_DIR CCACHE_BASEDIR="$PWD/$src" CCACHE_NOHASHDIR=1
fi

start=$(date +%s)
(cd "$src" && DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}" dpkg-buildpackage -b -us -uc)
echo "package: built in $(( $(date +%s) - start )) s"
rm -rf "$src"

changes=$(ls "$out"/veltra_"${version}"_*.changes)
echo "package: lintian on $changes"
lintian --fail-on error "$changes" 2>&1 | tee "$out/lintian.txt"
status=${PIPESTATUS[0]}
ls -l "$out"/*.deb
exit "$status"
